// A stand-in for "another application": a window with one focused line edit. It prints "ready" once
// shown, "press:<key>", "repeat:<key>" and "release:<key>" for each key it receives, and "text:<utf-8>"
// for each change of its text, so a test can see what arrived.
// Usage: mivora_target [initial text]
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>

namespace {

QTextStream out(stdout);

class Target final : public QLineEdit {
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
    Target edit;
    edit.setObjectName("dictation-target");
    edit.setAccessibleName("dictation-target");
    edit.setWindowTitle("target");
    if (argc > 1) edit.setText(QString::fromUtf8(argv[1]));
    QObject::connect(&edit, &QLineEdit::textChanged,
                     [](const QString& t) { out << "text:" << t << Qt::endl; });
    edit.resize(400, 40);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    QTimer::singleShot(0, [] { out << "ready" << Qt::endl; });
    return app.exec();
}
