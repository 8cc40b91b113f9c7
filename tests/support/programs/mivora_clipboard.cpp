// Another application that copied something: it owns the clipboard with the text argv[1] and a 16x16 image
// (offered as image/png among others; with "--text" after the text, the text alone) until it is ended, and
// prints "ready" once it does.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::blue);
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8(argc > 1 ? argv[1] : "copied"));
    if (argc <= 2 || QString::fromUtf8(argv[2]) != QStringLiteral("--text")) data->setImageData(image);
    QApplication::clipboard()->setMimeData(data);
    QTextStream(stdout) << "ready" << Qt::endl;
    return app.exec();
}
