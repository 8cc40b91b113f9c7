// A stand-in for "another application": a 400 × 40 window with one focused line edit that prints "ready" once
// shown, "press:<key>", "repeat:<key>" and "release:<key>" for each key it receives, and "text:<text>" on
// every change of its text, so a test can see which keys and what text reached it. "--password" hides what
// is typed (a password field); "--text" and a percent-encoded text start the field with that text, the caret
// after it.
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QStringDecoder>
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
    const QStringList arguments = app.arguments();
    if (arguments.contains("--password")) edit.setEchoMode(QLineEdit::Password);
    if (const qsizetype at = arguments.indexOf("--text"); at >= 0 && at + 1 < arguments.size())
        edit.setText(QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)
                         .decode(QByteArray::fromPercentEncoding(arguments[at + 1].toLatin1())));
    QObject::connect(&edit, &QLineEdit::textChanged,
                     [](const QString& text) { out << "text:" << text << Qt::endl; });
    edit.resize(400, 40);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    QTimer::singleShot(0, [] { out << "ready" << Qt::endl; });
    return app.exec();
}
