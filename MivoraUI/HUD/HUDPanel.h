#pragma once

#include "Dictation/VoicePhase.h"
#include "MivoraUI/HUD/HUDOptions.h"

#include <QList>
#include <QRect>
#include <QWidget>

#include <optional>

namespace mivora {

class HUDView;

// The recording HUD's window: frameless, always on top, never focused, and transparent to the mouse, so
// showing it never takes the keyboard from the application being dictated into and clicks reach what
// lies beneath. 420 x 260 points, the pill at its bottom centre. Without a compositor the window is cut
// to the pill's shape, so its transparent area never shows as a black box.
class HUDPanel final : public QWidget {
    Q_OBJECT
public:
    struct Screen {
        QRect geometry;  // the whole screen
        QRect available; // without panels and docks
    };

    HUDPanel(const HUDOptions& options, bool composited, QWidget* parent = nullptr);

    HUDView* view() const { return view_; }
    void setState(const VoicePhase& phase, VoiceMode mode, float level);

    // Moves the window to the bottom centre of the screen under the mouse.
    void place();
    // Where the window's top-left corner goes: centred on the available area of the first screen that holds
    // the mouse (else of screen `fallback`), its bottom edge 10 points above that area's bottom. Nothing
    // when there is no such screen.
    static std::optional<QPoint> origin(const QList<Screen>& screens, qsizetype fallback, QPoint mouse);

private:
    void cutToPill();
    HUDView* view_;
    const bool composited_;
};

} // namespace mivora
