#pragma once

#include "Platform/Pasteboard.h"

#include <QClipboard>
#include <QObject>

namespace mivora {

// The desktop clipboard (the X11 CLIPBOARD selection), or with `mode` Selection the primary selection,
// through QClipboard. One item at most; the change counter follows QClipboard's change signal, which fires
// for our own writes and for other owners.
class QtPasteboard final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit QtPasteboard(QClipboard::Mode mode = QClipboard::Clipboard, QObject* parent = nullptr);

    int itemCount() const override;
    QStringList types(int item) const override;
    std::optional<QByteArray> data(int item, const QString& type) const override;
    void write(const std::vector<Item>& items) override;
    qint64 changeCount() const override { return changes_; }

private:
    QClipboard::Mode mode_;
    qint64 changes_ = 0;
};

} // namespace mivora
