#include "Modes/Renderer.h"

#include "MivoraUI/Kit/Appearance.h"
#include "Support/AtomicFile.h"
#include "Support/Scheduler.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGlyphRun>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextLayout>

#include <memory>

namespace mivora {

namespace {

// Lets springs, fades and delayed layouts run their course without blocking the event loop.
void settle(int milliseconds) {
    QtScheduler timers;
    QEventLoop loop;
    timers.after(milliseconds / 1000.0, [&loop] { loop.quit(); });
    loop.exec();
}

int missingIn(const QString& text, const QFont& font) {
    if (text.isEmpty()) return 0;
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int missing = 0;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (quint32 glyph : run.glyphIndexes())
            missing += glyph == 0 ? 1 : 0;
    return missing;
}

} // namespace

bool Renderer::until(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 10000) return false;
        settle(20);
    }
    return true;
}

Renderer::Renderer(QString folder) : folder_(std::move(folder)) {
    // Side files of a run that was killed while writing.
    AtomicFile::removeStale(folder_);
}

int Renderer::missingGlyphs(const QWidget& root) {
    int missing = 0;
    const auto count = [&](const QWidget& w) {
        if (const auto* label = qobject_cast<const QLabel*>(&w))
            missing += missingIn(label->text(), w.font());
        if (const auto* button = qobject_cast<const QAbstractButton*>(&w))
            missing += missingIn(button->text(), w.font());
        if (const auto* edit = qobject_cast<const QLineEdit*>(&w))
            missing += missingIn(edit->text() + edit->placeholderText(), w.font());
        if (const auto* edit = qobject_cast<const QPlainTextEdit*>(&w))
            missing += missingIn(edit->toPlainText() + edit->placeholderText(), w.font());
    };
    count(root);
    for (const QWidget* child : root.findChildren<QWidget*>())
        if (child->isVisibleTo(&root)) count(*child);
    return missing;
}

void Renderer::draw(const QString& file, QWidget& view, QSize size, bool dark, int settleMs) {
    view.setPalette(Appearance::palette(dark));
    view.setAutoFillBackground(true);
    if (!size.isEmpty())
        view.resize(size);
    else if (size.width() > 0) // a width alone: as tall as the view wants at that width
        view.resize(size.width(),
                    view.hasHeightForWidth() ? view.heightForWidth(size.width()) : view.sizeHint().height());
    else
        view.adjustSize();
    view.show();
    settle(settleMs > 0 ? settleMs : size.width() > 600 ? 700 : 60);
    const QImage image = view.grab().toImage();
    // Encoded in memory and written whole: QImage::save into the file reports a picture the disk had no room
    // for as saved, and leaves it empty.
    QByteArray png;
    QBuffer buffer(&png);
    const bool saved = image.save(&buffer, "PNG") && QDir().mkpath(folder_) &&
                       AtomicFile::write(QDir(folder_).filePath(file), png);
    index_.append(QJsonObject{{"file", file},
                              {"width", image.width()},
                              {"height", image.height()},
                              {"dark", dark},
                              {"missingGlyphs", missingGlyphs(view)},
                              {"saved", saved}});
    view.hide();
}

void Renderer::shoot(const QString& name, const std::function<QWidget*()>& make, QSize size, int settleMs) {
    for (bool dark : {false, true}) {
        const std::unique_ptr<QWidget> view(make());
        draw(name + (dark ? "-dark.png" : "-light.png"), *view, size, dark, settleMs);
    }
}

QStringList Renderer::finish() {
    QStringList unwritten;
    for (const QJsonValue& entry : std::as_const(index_))
        if (!entry[QStringLiteral("saved")].toBool()) unwritten << entry[QStringLiteral("file")].toString();
    const QString indexName = QStringLiteral("index.json");
    if (!QDir().mkpath(folder_) ||
        !AtomicFile::write(QDir(folder_).filePath(indexName), QJsonDocument(index_).toJson()))
        unwritten << indexName;
    return unwritten;
}

} // namespace mivora
