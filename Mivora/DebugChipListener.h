#pragma once

#include <QObject>
#include <QRectF>

#include <functional>

namespace mivora {

class SuggestController;

// A developer's way to see the suggestion strip without typing: the signal "debugChip" of the interface
// "com.orvessan.yarrik.mac" on the session bus, from any sender and on any path, shows the test strip near
// the middle of the main screen. The running program owns the bus name of the same interface, so a sender
// can address it alone (`dbus-send --session --type=signal --dest=com.orvessan.yarrik.mac
// /com/orvessan/yarrik/mac com.orvessan.yarrik.mac.debugChip`).
class DebugChipListener final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* service = "com.orvessan.yarrik.mac";
    static constexpr const char* member = "debugChip";

    // Listens from now on, for the life of the object; a bus that cannot be reached is said through `log`.
    DebugChipListener(SuggestController& suggest, std::function<void(const QString&)> log,
                      QObject* parent = nullptr);

    // Where the strip is shown for a main screen of `frame` (both with the origin at the bottom left): a
    // caret one point wide and 16 high, 120 left of the middle.
    static QRectF caretFor(const QRectF& frame);

private slots:
    void received();

private:
    SuggestController& suggest_;
};

} // namespace mivora
