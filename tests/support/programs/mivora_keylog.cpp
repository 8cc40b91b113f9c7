// A stand-in for "another application" that reports every key it receives: a window with one focused line
// edit that prints "press:<key>", "repeat:<key>" (auto-repeat) and "release:<key>" for each key event, and
// "text:<utf-8>" for each change of its text, so a test can tell which keys reached it.
// Usage: mivora_keylog
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>

namespace {

QString keyName(const QKeyEvent* e) {
    return QKeySequence(e->key()).toString();
}

class KeyLogEdit final : public QLineEdit {
public:
    explicit KeyLogEdit(QTextStream& out) : out_(out) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        out_ << (e->isAutoRepeat() ? "repeat:" : "press:") << keyName(e) << Qt::endl;
        QLineEdit::keyPressEvent(e);
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (!e->isAutoRepeat()) out_ << "release:" << keyName(e) << Qt::endl;
        QLineEdit::keyReleaseEvent(e);
    }

private:
    QTextStream& out_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    KeyLogEdit edit(out);
    edit.setWindowTitle("keylog");
    QObject::connect(&edit, &QLineEdit::textChanged,
                     [&](const QString& t) { out << "text:" << t << Qt::endl; });
    edit.resize(400, 40);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    QTimer::singleShot(0, [&] { out << "ready" << Qt::endl; });
    return app.exec();
}
