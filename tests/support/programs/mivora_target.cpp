// A stand-in for "another application": a window with one focused line edit that prints "ready" once
// shown, "press:<key>", "repeat:<key>" and "release:<key>" for each key it receives, and "text:<text>" on
// every change of its line edit's text, so a test can see which keys and what text reached it.
// Options: "--password" hides what is typed (a password field); "--read-only" shows a read-only text
// view instead of the line edit; "--big" makes the window 600 × 300 at (100, 120) instead of 400 × 40.
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextStream>
#include <QTimer>

namespace {

QTextStream out(stdout);

// Prints the keys a widget receives.
template <typename Widget> class Printing final : public Widget {
protected:
    void keyPressEvent(QKeyEvent* e) override {
        out << (e->isAutoRepeat() ? "repeat:" : "press:") << QKeySequence(e->key()).toString() << Qt::endl;
        Widget::keyPressEvent(e);
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (!e->isAutoRepeat()) out << "release:" << QKeySequence(e->key()).toString() << Qt::endl;
        Widget::keyReleaseEvent(e);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    Printing<QLineEdit> edit;
    Printing<QPlainTextEdit> view;
    QWidget* shown = &edit;
    if (args.contains("--read-only")) {
        view.setPlainText(QStringLiteral("只读的文字"));
        view.setReadOnly(true);
        shown = &view;
    } else {
        if (args.contains("--password")) edit.setEchoMode(QLineEdit::Password);
        QObject::connect(&edit, &QLineEdit::textChanged,
                         [](const QString& text) { out << "text:" << text << Qt::endl; });
    }
    if (args.contains("--big"))
        shown->setGeometry(100, 120, 600, 300);
    else
        shown->resize(400, 40);
    shown->show();
    shown->activateWindow();
    shown->setFocus();
    QTimer::singleShot(0, [] { out << "ready" << Qt::endl; });
    return app.exec();
}
