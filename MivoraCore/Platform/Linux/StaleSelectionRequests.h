#pragma once

#include <QAbstractNativeEventFilter>

#include <cstdint>

namespace mivora {

// Answers a request another program makes for the clipboard or the primary selection while this process
// owns it, also when the request is stamped with a time before this process took the selection. Qt
// refuses such a request (the protocol's way of telling requests meant for an earlier owner apart), but
// fcitx5's GTK module re-sends the keys it lets through stamped with the time of an older key: the paste
// key that follows our new clipboard then asks with a time before it, and the paste finds nothing. A
// request that reaches us asks for what we hold now; one stamped after we took the selection is left as it
// is (some programs match the answer's stamp to their question). Installed for the life of the object;
// does nothing off X11. Main thread only.
class StaleSelectionRequests final : private QAbstractNativeEventFilter {
public:
    StaleSelectionRequests();
    ~StaleSelectionRequests() override;
    StaleSelectionRequests(const StaleSelectionRequests&) = delete;
    StaleSelectionRequests& operator=(const StaleSelectionRequests&) = delete;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    std::uint32_t clipboard_ = 0; // the X11 atoms of the two selections; 0 off X11
    std::uint32_t primary_ = 0;
    int ownerChanges_ = -1; // the event code of the XFIXES extension's selection notices; -1 without it
    // When each selection last changed owner, by the server's clock (which the notices Qt asks for tell).
    std::uint32_t clipboardSince_ = 0;
    std::uint32_t primarySince_ = 0;
};

} // namespace mivora
