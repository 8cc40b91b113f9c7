// A stand-in for "another application": a 400 × 40 window with one focused line edit that prints "ready" once
// shown, "press:<key>", "repeat:<key>" and "release:<key>" for each key it receives, and "text:<text>" on
// every change of its text, so a test can see which keys and what text reached it. "--password" hides what
// is typed (a password field).
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>

namespace {

QTextStream out(stdout);

class PrintingEdit final : public QLineEdit {
protected:
    void keyPressEvent(QKeyEvent* e) override {
        out << (e->isAutoRepeat() ? "repeat:" : "press:") << QKeySequence(e->key()).toString() << Qt::endl;
        QLineEdit::keyPressEvent(e);
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (!e->isAutoRepeat()) out << "release:" << QKeySequence(e->key()).toString() << Qt::endl;
        QLineEdit::keyReleaseEvent(e);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PrintingEdit edit;
    if (app.arguments().contains("--password")) edit.setEchoMode(QLineEdit::Password);
    QObject::connect(&edit, &QLineEdit::textChanged,
                     [](const QString& text) { out << "text:" << text << Qt::endl; });
    edit.resize(400, 40);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    QTimer::singleShot(0, [] { out << "ready" << Qt::endl; });
    return app.exec();
}
