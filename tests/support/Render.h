#pragma once

#include "MivoraUI/Kit/Appearance.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPalette>
#include <QWidget>

namespace mivora::test {

// The palette of a dark desktop theme (Qt's default palette stands for the light one).
inline QPalette darkPalette() {
    return Appearance::palette(true);
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
    QDir().mkpath(QFileInfo(dir + "/" + name).path());
    image.save(dir + "/" + name + ".png");
}

// The colour at a point of a drawing, as a plain RGB value.
inline QRgb pixel(const QImage& image, QPoint at) {
    return image.pixel(at) & 0xffffff;
}

} // namespace mivora::test
