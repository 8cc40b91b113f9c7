// A clipboard manager as the desktop's usual ones behave: the moment another program takes the clipboard,
// it asks for the new contents (their types, then the text) to keep them in its history. Prints "ready"
// once it watches, "asked" for each new clipboard it asked for, and "got:<text>" for each text it was
// handed (line breaks as "\n").
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTextStream>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QClipboard* clipboard = QApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::changed, [&](QClipboard::Mode mode) {
        if (mode != QClipboard::Clipboard || clipboard->ownsClipboard()) return;
        const QMimeData* data = clipboard->mimeData();
        out << "asked" << Qt::endl;
        if (data && data->hasText() && !data->text().isEmpty())
            out << "got:" << data->text().replace('\n', QStringLiteral("\\n")) << Qt::endl;
    });
    QTimer::singleShot(0, [&out] { out << "ready" << Qt::endl; });
    return app.exec();
}
