#include "MivoraUI/Suggest/SuggestPanel.h"

#include "MivoraUI/Suggest/SuggestView.h"
#include "Platform/FrontApplication.h"
#include "Platform/TextAccess.h"
#include "Support/Scheduler.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>

namespace mivora {

namespace {

double firstScreenHeight() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screens.isEmpty() ? 0 : screens.first()->geometry().height();
}

} // namespace

QPointF SuggestPanel::origin(const QRectF& caret, const Desk& desk) {
    const bool unknown = caret == QRectF();
    if (unknown && desk.frontWindow) {
        const QRectF& f = *desk.frontWindow;
        if (desk.frontIdentifier.compare(weChatClass, Qt::CaseInsensitive) == 0)
            return {f.left() + std::min(f.width() * 0.35, 320.0), f.top() + 130};
        return {f.center().x() - 150, f.top() + 24};
    }
    if (unknown && desk.mouseScreen)
        return {desk.mouseScreen->center().x() - 150, desk.mouseScreen->top() + 24};
    // Below the caret (rectangles grow upwards here: top() is the minimum y), above it when that would
    // leave the visible part of the screen, and never past its right edge.
    QPointF o(caret.left() - 10, caret.top() - (panelHeight + 2));
    for (const Desk::Screen& screen : desk.screens) {
        const QRectF& frame = screen.frame;
        if (caret.left() < frame.left() || caret.left() >= frame.right() || caret.top() < frame.top() ||
            caret.top() >= frame.bottom())
            continue;
        if (screen.visible.top() > o.y()) o.setY(caret.bottom() + 2);
        o.setX(std::min(o.x(), screen.visible.right() - panelWidth));
        break;
    }
    return o;
}

QString SuggestPanel::logLine(const QRectF& caret, QPointF origin, bool visible,
                              const QList<Desk::Screen>& screens) {
    const auto whole = [](double v) { return QString::number(qint64(v)); };
    QStringList items;
    for (const Desk::Screen& s : screens)
        items << '"' + whole(s.frame.width()) + 'x' + whole(s.frame.height()) + '@' + whole(s.frame.left()) +
                     ',' + whole(s.frame.top()) + '"';
    return QStringLiteral("提示条：光标 ") + whole(caret.left()) + ',' + whole(caret.top()) +
           QStringLiteral(" 高 ") + whole(caret.height()) + QStringLiteral(" → 窗口 ") + whole(origin.x()) +
           ',' + whole(origin.y()) + QStringLiteral(" 可见 ") +
           (visible ? QStringLiteral("true") : QStringLiteral("false")) + QStringLiteral(" 屏幕 [") +
           items.join(QStringLiteral(", ")) + ']';
}

SuggestPanel::SuggestPanel(SuggestController& controller, FrontApplication& front, Scheduler& scheduler,
                           bool reduceMotion, std::function<void(const QString&)> log, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint |
                          Qt::WindowTransparentForInput),
      controller_(controller), front_(front), scheduler_(scheduler), log_(std::move(log)),
      view_(new SuggestView(reduceMotion, this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(panelWidth, panelHeight);
    connect(&controller_, &SuggestController::offerChanged, this, &SuggestPanel::follow);
    // Qt cannot tell whether a compositor runs; the shaped window looks right with or without one.
    connect(view_, &SuggestView::chipRectChanged, this, &SuggestPanel::cutToChip);
    cutToChip();
}

void SuggestPanel::cutToChip() {
    const QRectF chip = view_->posedChipRect();
    QPainterPath shape;
    shape.addRoundedRect(chip, chip.height() / 2, chip.height() / 2);
    QRegion region = QRegion(shape.toFillPolygon().toPolygon()) & rect();
    // An empty region would lift the cut altogether: keep one pixel, drawn transparent, instead.
    if (region.isEmpty()) region = QRegion(0, 0, 1, 1);
    setMask(region);
}

void SuggestPanel::follow() {
    const auto& offer = controller_.offer();
    view_->setOffer(offer);
    if (!offer) {
        scheduler_.after(hideDelay, [self = QPointer(this)] {
            if (self && !self->controller_.offer()) self->hide();
        });
        return;
    }
    const Desk d = desk();
    const QPointF o = origin(offer->rect, d);
    // Qt places windows from their top left corner, origin at the top left of the first screen.
    const QRectF frame = flipScreenRect(QRectF(o, QSizeF(panelWidth, panelHeight)), firstScreenHeight());
    move(frame.topLeft().toPoint());
    cutToChip();
    show();
    raise();
    if (log_) log_(logLine(offer->rect, o, isVisible(), d.screens));
}

SuggestPanel::Desk SuggestPanel::desk() const {
    Desk d;
    const double height = firstScreenHeight();
    for (QScreen* screen : QGuiApplication::screens())
        d.screens.append({flipScreenRect(screen->geometry(), height),
                          flipScreenRect(screen->availableGeometry(), height)});
    QScreen* under = QGuiApplication::screenAt(QCursor::pos());
    if (!under) under = QGuiApplication::primaryScreen();
    if (under) d.mouseScreen = flipScreenRect(under->availableGeometry(), height);
    if (const auto app = front_.current()) d.frontIdentifier = app->identifier;
    if (const auto frame = front_.frontWindowFrame()) d.frontWindow = flipScreenRect(*frame, height);
    return d;
}

} // namespace mivora
