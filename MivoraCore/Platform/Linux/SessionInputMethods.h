#pragma once

#include "Platform/InputMethods.h"

#include <QByteArray>
#include <QHash>

#include <optional>

namespace mivora {

// The input methods of the session. An application types through one when its environment names it for
// its toolkit (GTK_IM_MODULE, QT_IM_MODULE; XMODIFIERS when neither is set): ibus or fcitx, each known to
// run by its name on the session bus (fcitx 5 also says whether it is switched on for the field that had
// the focus last). Each question waits at most `timeoutMs` for the bus; one not answered leaves an input
// method the application names in use. Main thread only.
class SessionInputMethods final : public InputMethods {
public:
    static constexpr int timeoutMs = 100;

    bool composesFor(qint64 pid) override;

    // The input method framework an environment (NUL-separated NAME=value entries, as
    // /proc/<pid>/environ holds them) types through: "ibus", "fcitx", or empty.
    static QByteArray framework(const QByteArray& environment);

private:
    QHash<qint64, QByteArray> frameworks_; // per process, read once
};

} // namespace mivora
