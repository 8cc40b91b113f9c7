#pragma once

#include "MivoraUI/HUD/BarsEngine.h"
#include "MivoraUI/HUD/HUDOptions.h"

#include <QHash>
#include <QWidget>

class QLabel;

namespace mivora {

class RecDot;
class SymbolView;
class VoiceBars;

// The recording pill's row while a take is listened to or recognised: the recording dot (hands-free),
// the magnifier (recall), the level bars, and the hint that the hotkey ends the take
// ("右 Ctrl 结束", hands-free). The bars keep their engine
// across changes, so they glide from the level ripple into the thinking wave.
class LevelRow final : public QWidget {
    Q_OBJECT
public:
    explicit LevelRow(const HUDOptions& options, QWidget* parent = nullptr);

    void set(bool handsFree, bool recall, BarsMode mode, float level);
    // The hands-free hint names `hotkey` from now on.
    void setHotkey(const QString& hotkey);

    RecDot* dot() const { return dot_; }
    SymbolView* magnifier() const { return magnifier_; }
    VoiceBars* bars() const { return bars_; }
    QLabel* hint() const { return hint_; }

private:
    // Shows or hides one item of the row; a shown item grows from `hiddenScale` while it fades in.
    void reveal(QWidget* item, bool on, double hiddenScale);
    const bool reduceMotion_;
    bool first_ = true;
    QHash<QWidget*, bool> wanted_;
    RecDot* dot_;
    SymbolView* magnifier_;
    VoiceBars* bars_;
    QLabel* hint_;
};

} // namespace mivora
