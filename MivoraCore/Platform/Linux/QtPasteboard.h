#pragma once

#include "Platform/Pasteboard.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QObject>

#include <functional>

namespace mivora {

// The desktop clipboard (the X11 CLIPBOARD selection), or with `mode` Selection the primary selection,
// through QClipboard. One item at most; the change counter follows QClipboard's change signal, which fires
// for our own writes and for other owners. On X11 it sees the requests other programs make for what it
// wrote before Qt answers them, and tells the front application's apart with `fromFront` (whether an X
// window, a request's requestor, belongs to the application in front): without it none is.
class QtPasteboard final : public QObject, public Pasteboard, private QAbstractNativeEventFilter {
    Q_OBJECT
public:
    using FromFront = std::function<bool(unsigned long window)>;

    explicit QtPasteboard(QClipboard::Mode mode = QClipboard::Clipboard, FromFront fromFront = {},
                          QObject* parent = nullptr);
    // Contents still kept from others are taken off the clipboard: once this process is gone, they could
    // no longer be refused to anyone.
    ~QtPasteboard() override;

    int itemCount() const override;
    QStringList types(int item) const override;
    std::optional<QByteArray> data(int item, const QString& type) const override;
    void write(const std::vector<Item>& items) override;
    qint64 changeCount() const override { return changes_; }
    bool whenFirstAsked(std::function<void()> asked) override;
    bool whenTaken(std::function<void()> taken) override;
    bool stillOurs() const override;
    bool keepFromOthers() override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    bool owned() const;
    // Tells the requestor of a request kept from it that the contents offer no data (the list of types
    // holds only the protocol's own), or, for anything but the list, that there is nothing for it.
    void answerOther(const void* request) const;
    // Whether Qt answers a request for `target` (an atom) with data of what is on the clipboard now.
    bool offers(unsigned long target) const;

    QClipboard::Mode mode_;
    FromFront fromFront_;
    qint64 changes_ = 0;
    unsigned long selection_ = 0; // the X11 atom of our selection; 0 off X11
    unsigned long targets_ = 0;   // the atoms of the requests that ask for no data
    unsigned long timestamp_ = 0;
    std::function<void()> asked_;
    std::function<void()> taken_;
    bool kept_ = false; // what we wrote last goes to the front application only
};

} // namespace mivora
