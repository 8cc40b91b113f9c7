#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace mivora {

// The system clipboard as a list of items, each holding typed data, and a counter of changes. The X11
// clipboard holds at most one item.
class Pasteboard {
public:
    // One item: its types in order, each with its bytes.
    using Item = std::vector<std::pair<QString, QByteArray>>;

    virtual ~Pasteboard() = default;

    // Number of items on the pasteboard now (0 when it is empty).
    virtual int itemCount() const = 0;
    // The types an item offers, in the owner's order.
    virtual QStringList types(int item) const = 0;
    // The bytes stored under one type, or nothing when the owner cannot give them.
    virtual std::optional<QByteArray> data(int item, const QString& type) const = 0;
    // Replaces the whole contents with these items; no items leaves the pasteboard empty.
    virtual void write(const std::vector<Item>& items) = 0;
    // Grows with every change of the contents, made by this process or by any other.
    virtual qint64 changeCount() const = 0;
    // Calls `asked` once, after this process has answered the first request the front application makes
    // for the contents it wrote last (for any type, or for the list of types); what other programs ask (a
    // clipboard manager asks for every new clipboard) does not count. The next write or call drops it.
    // False, and `asked` is never called, where such requests cannot be seen.
    virtual bool whenFirstAsked(std::function<void()> asked) {
        (void)asked;
        return false;
    }
    // Calls `taken` once, after this process has answered the front application's first request for the
    // data of the contents it wrote last with that data (a type they offer, not the list of types; GTK asks
    // for a type that may be missing first, then for another): the application has taken them. The next write
    // or call drops it. False, and `taken` is never called, where such requests cannot be seen.
    virtual bool whenTaken(std::function<void()> taken) {
        (void)taken;
        return false;
    }
    // Whether what this process wrote last is still on the pasteboard, asked of the system now: another
    // program may have taken it in the moment since, before the notice of that has come. True where it
    // cannot be told.
    virtual bool stillOurs() const { return true; }
    // Until the next write, the contents written last go to the front application only (the one a paste
    // goes to): every other program (a clipboard manager, for its history) hears that they hold no data it
    // could read, and its request for any of their data is refused. It is not told there is nothing at all:
    // some managers take that for an emptied clipboard and put their newest entry back at once. False where
    // requests cannot be told apart.
    virtual bool keepFromOthers() { return false; }
};

} // namespace mivora
