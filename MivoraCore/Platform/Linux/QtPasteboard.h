#pragma once

#include "Platform/Pasteboard.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QObject>

namespace mivora {

// The desktop clipboard (the X11 CLIPBOARD selection), or with `mode` Selection the primary selection,
// through QClipboard. One item at most; the change counter follows QClipboard's change signal, which fires
// for our own writes and for other owners. On X11 it sees the requests other programs make for what it
// wrote (Qt answers them).
class QtPasteboard final : public QObject, public Pasteboard, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit QtPasteboard(QClipboard::Mode mode = QClipboard::Clipboard, QObject* parent = nullptr);

    int itemCount() const override;
    QStringList types(int item) const override;
    std::optional<QByteArray> data(int item, const QString& type) const override;
    void write(const std::vector<Item>& items) override;
    qint64 changeCount() const override { return changes_; }
    bool whenFirstAsked(std::function<void()> asked) override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    QClipboard::Mode mode_;
    qint64 changes_ = 0;
    unsigned long selection_ = 0; // the X11 atom of our selection; 0 off X11
    std::function<void()> asked_;
};

} // namespace mivora
