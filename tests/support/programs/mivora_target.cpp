// A stand-in for "another application": a 400 × 40 window with one focused line edit that prints "ready" once
// shown, "press:<key>", "repeat:<key>" and "release:<key>" for each key it receives, and "text:<text>" on
// every change of its text, so a test can see which keys and what text reached it. "--password" hides what
// is typed (a password field); "--text" and a percent-encoded text start the field with that text, the caret
// after it; "--button" puts a push button under the field (Tab moves the focus between them).
//
// A repeat is a press of a key that is still down. Qt alone guesses repeats from a release followed at once
// by a press, and guesses wrong when the press comes late (a key another program grabs and hands on, a busy
// machine); asked for detectable auto-repeat, the server sends repeats as presses only, and the edit tells
// them apart itself.
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

#include <set>

// Xlib's macros clash with Qt names: include it last.
#include <X11/XKBlib.h>

namespace {

QTextStream out(stdout);

class PrintingEdit final : public QLineEdit {
protected:
    void keyPressEvent(QKeyEvent* e) override {
        const bool repeat = e->isAutoRepeat() || !down_.insert(e->nativeScanCode()).second;
        out << (repeat ? "repeat:" : "press:") << QKeySequence(e->key()).toString() << Qt::endl;
        QLineEdit::keyPressEvent(e);
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (!e->isAutoRepeat()) {
            down_.erase(e->nativeScanCode());
            out << "release:" << QKeySequence(e->key()).toString() << Qt::endl;
        }
        QLineEdit::keyReleaseEvent(e);
    }

private:
    std::set<quint32> down_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>()) {
        Bool detectable = False;
        XkbSetDetectableAutoRepeat(x11->display(), True, &detectable);
    }
    QWidget window; // holds the field with the button (made before the field, which it must outlive)
    PrintingEdit edit;
    const QStringList arguments = app.arguments();
    if (arguments.contains("--password")) edit.setEchoMode(QLineEdit::Password);
    if (const qsizetype at = arguments.indexOf("--text"); at >= 0 && at + 1 < arguments.size())
        edit.setText(QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)
                         .decode(QByteArray::fromPercentEncoding(arguments[at + 1].toLatin1())));
    QObject::connect(&edit, &QLineEdit::textChanged,
                     [](const QString& text) { out << "text:" << text << Qt::endl; });
    QWidget* shown = &edit;
    if (arguments.contains("--button")) {
        auto* column = new QVBoxLayout(&window);
        column->addWidget(&edit);
        column->addWidget(new QPushButton(QStringLiteral("button"), &window));
        shown = &window;
    }
    shown->resize(400, shown == &edit ? 40 : 80);
    shown->show();
    shown->activateWindow();
    edit.setFocus();
    QTimer::singleShot(0, [] { out << "ready" << Qt::endl; });
    return app.exec();
}
