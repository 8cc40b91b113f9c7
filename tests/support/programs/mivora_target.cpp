// A stand-in for "another application": a window with one focused line edit. Every change of the text
// is printed on standard output as "text:<utf-8>", so a test can see what arrived.
// Usage: mivora_target [initial text]
#include <QApplication>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit edit;
    edit.setObjectName("dictation-target");
    edit.setAccessibleName("dictation-target");
    edit.setWindowTitle("target");
    if (argc > 1) edit.setText(QString::fromUtf8(argv[1]));
    QTextStream out(stdout);
    QObject::connect(&edit, &QLineEdit::textChanged,
                     [&](const QString& t) { out << "text:" << t << Qt::endl; });
    edit.resize(400, 40);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    QTimer::singleShot(0, [&] { out << "ready" << Qt::endl; });
    return app.exec();
}
