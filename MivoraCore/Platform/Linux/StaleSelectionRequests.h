#pragma once

#include <QAbstractNativeEventFilter>

namespace mivora {

// Takes every request another program makes for the clipboard or the primary selection, while this
// process owns it, as a request made now. Qt refuses a request stamped with a time before it took the
// selection (the protocol's way of telling requests meant for an earlier owner apart), but fcitx5's GTK
// module re-sends the keys it lets through stamped with the time of an older key: the paste key that
// follows our new clipboard then asks with a time before it, and the paste finds nothing. A request that
// reaches us asks for what we hold now, whatever its stamp says. Installed for the life of the object;
// does nothing off X11. Main thread only.
class StaleSelectionRequests final : private QAbstractNativeEventFilter {
public:
    StaleSelectionRequests();
    ~StaleSelectionRequests() override;
    StaleSelectionRequests(const StaleSelectionRequests&) = delete;
    StaleSelectionRequests& operator=(const StaleSelectionRequests&) = delete;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    unsigned long clipboard_ = 0; // the X11 atoms of the two selections; 0 off X11
    unsigned long primary_ = 0;
};

} // namespace mivora
