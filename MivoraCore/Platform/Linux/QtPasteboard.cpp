#include "Platform/Linux/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace mivora {

QtPasteboard::QtPasteboard(QClipboard::Mode mode, QObject* parent) : QObject(parent), mode_(mode) {
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode changed) {
        if (changed == mode_) ++changes_;
    });
}

int QtPasteboard::itemCount() const {
    return types(0).isEmpty() ? 0 : 1;
}

namespace {
// Names Qt lists among the formats that are not data: the X11 selection protocol's own targets, and
// Qt's alias for an image that the owner also offers under its real image types.
bool isData(const QString& format) {
    static const QStringList notData = {
        "TARGETS", "MULTIPLE",         "TIMESTAMP",       "SAVE_TARGETS",
        "DELETE",  "INSERT_SELECTION", "INSERT_PROPERTY", "application/x-qt-image"};
    return !notData.contains(format);
}
} // namespace

QStringList QtPasteboard::types(int item) const {
    const QMimeData* md = QGuiApplication::clipboard()->mimeData(mode_);
    if (item != 0 || !md) return {};
    QStringList formats = md->formats();
    formats.removeIf([](const QString& f) { return !isData(f); });
    return formats;
}

std::optional<QByteArray> QtPasteboard::data(int item, const QString& type) const {
    const QMimeData* md = QGuiApplication::clipboard()->mimeData(mode_);
    if (item != 0 || !md || !md->hasFormat(type)) return std::nullopt;
    QByteArray bytes = md->data(type);
    // A foreign owner that fails to convert a type answers with nothing; treat that as not having it.
    if (bytes.isEmpty()) return std::nullopt;
    return bytes;
}

void QtPasteboard::write(const std::vector<Item>& items) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (items.empty()) {
        clipboard->clear(mode_);
        return;
    }
    // The X11 clipboard holds a single item; a second item has nowhere to go.
    auto* md = new QMimeData;
    for (const auto& [type, bytes] : items.front())
        md->setData(type, bytes);
    clipboard->setMimeData(md, mode_);
}

} // namespace mivora
