#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPalette>
#include <QWidget>

namespace mivora::test {

// The palette of a dark desktop theme (Qt's default palette stands for the light one).
inline QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, QColor(0x28, 0x28, 0x28));
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor(0x32, 0x32, 0x32));
    p.setColor(QPalette::ButtonText, Qt::white);
    return p;
}

// Lays out and draws `widget` as a window of its own in the given appearance.
inline QImage render(QWidget& widget, bool dark = false) {
    widget.setPalette(dark ? darkPalette() : QPalette());
    widget.setAutoFillBackground(true);
    widget.adjustSize();
    widget.show();
    QApplication::processEvents();
    return widget.grab().toImage();
}

// Keeps a drawing as a PNG artefact of the test run, in the build tree (never in the sources).
inline void saveArtefact(const QImage& image, const QString& name) {
    const QString dir = QStringLiteral(MIVORA_ARTEFACT_DIR);
    QDir().mkpath(dir);
    image.save(dir + "/" + name + ".png");
}

// The colour at a point of a drawing, as a plain RGB value.
inline QRgb pixel(const QImage& image, QPoint at) {
    return image.pixel(at) & 0xffffff;
}

} // namespace mivora::test
