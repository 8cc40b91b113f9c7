// A stand-in for "another application that copied something": it owns the clipboard with a text and an
// image (a 16x16 PNG of one colour) until it is ended, and prints "ready" once it owns it.
// Usage: mivora_clipboard TEXT [#rrggbb]
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTextStream>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString text = argc > 1 ? QString::fromUtf8(argv[1]) : QStringLiteral("copied");
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(argc > 2 ? QString::fromUtf8(argv[2]) : QStringLiteral("#3366cc")));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    auto* md = new QMimeData;
    md->setText(text);
    md->setData("image/png", png);
    QApplication::clipboard()->setMimeData(md, QClipboard::Clipboard);
    QTextStream out(stdout);
    QTimer::singleShot(0, [&] { out << "ready" << Qt::endl; });
    return app.exec();
}
