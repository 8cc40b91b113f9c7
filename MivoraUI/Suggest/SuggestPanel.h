#pragma once

#include "MivoraUI/Suggest/SuggestView.h"
#include "Suggest/SuggestController.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <optional>

namespace mivora {

class FrontApplication;
class Scheduler;

// The floating strip that shows the suggestion controller's offer beside the caret of whatever
// application the user types in: frameless, above other windows, never focused, and every click passes
// through it. Each new offer moves it (to the caret, or to a fallback place when no caret position is
// known), shows it and logs one line; an absent offer hides it 0.2 s later unless another came meanwhile.
// It only draws: keys are the controller's business. Its window is cut to the chip's rounded shape as drawn
// at each moment, so without a compositor its transparent area never shows as a black box.
class SuggestPanel final : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = SuggestView::viewSize.width();
    static constexpr int panelHeight = SuggestView::viewSize.height();
    static constexpr double hideDelay = 0.2;
    // The window class of the messaging application whose input box sits low in a wide window.
    static inline const QString weChatClass = QStringLiteral("wechat");

    // Everything the placement depends on; rectangles with the origin at the bottom left of the first
    // screen.
    struct Desk {
        struct Screen {
            QRectF frame;
            QRectF visible; // without panels and docks
        };
        QList<Screen> screens;
        std::optional<QRectF> mouseScreen; // visible frame of the screen under the mouse (or the main one)
        std::optional<QRectF> frontWindow; // the front application's front window
        QString frontIdentifier;
    };

    // The panel's origin for an offer at `caret`, the fallbacks tried in order when `caret` is all zeros.
    static QPointF origin(const QRectF& caret, const Desk& desk);
    // "提示条：光标 …" as logged for one placement.
    static QString logLine(const QRectF& caret, QPointF origin, bool visible,
                           const QList<Desk::Screen>& screens);

    // `reduceMotion` turns the chip's springs into short fades.
    SuggestPanel(SuggestController& controller, FrontApplication& front, Scheduler& scheduler,
                 bool reduceMotion, std::function<void(const QString&)> log, QWidget* parent = nullptr);

    const SuggestView& view() const { return *view_; }

private:
    void follow();
    void cutToChip();
    Desk desk() const;

    SuggestController& controller_;
    FrontApplication& front_;
    Scheduler& scheduler_;
    std::function<void(const QString&)> log_;
    SuggestView* view_;
};

} // namespace mivora
