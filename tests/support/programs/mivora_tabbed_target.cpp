// A stand-in for a Qt 6 editor with documents in tabs: a tab bar above a stack of text editors, one per tab,
// the current editor focused. Qt marks the current tab focused on the accessibility bus as well as the
// editor. Prints "ready" once shown and "text:<text>" on every change of the current editor's text.
#include <QApplication>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QWidget window;
    auto* tabs = new QTabBar(&window);
    auto* pages = new QStackedWidget(&window);
    for (const QString& name : {QStringLiteral("草稿"), QStringLiteral("笔记")}) {
        tabs->addTab(name);
        auto* editor = new QPlainTextEdit(pages);
        QObject::connect(editor, &QPlainTextEdit::textChanged,
                         [&out, editor] { out << "text:" << editor->toPlainText() << Qt::endl; });
        pages->addWidget(editor);
    }
    QObject::connect(tabs, &QTabBar::currentChanged, pages, &QStackedWidget::setCurrentIndex);
    auto* column = new QVBoxLayout(&window);
    column->addWidget(tabs);
    column->addWidget(pages);
    window.resize(500, 300);
    window.show();
    window.activateWindow();
    pages->currentWidget()->setFocus();
    QTimer::singleShot(0, [&out] { out << "ready" << Qt::endl; });
    return app.exec();
}
