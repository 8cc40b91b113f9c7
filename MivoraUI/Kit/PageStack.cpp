#include "MivoraUI/Kit/PageStack.h"

#include "MivoraUI/Kit/LayerEffect.h"
#include "MivoraUI/Kit/UI.h"

namespace mivora {

PageStack::PageStack(QWidget* parent) : QWidget(parent) {
    connect(&progress_, &QVariantAnimation::valueChanged, this,
            [this] { apply(progress_.value().toDouble()); });
    connect(&progress_, &QAbstractAnimation::finished, this, [this] {
        delete leaving_;
        if (current_) current_->setGraphicsEffect(nullptr);
        incoming_ = outgoing_ = nullptr;
    });
}

void PageStack::setPage(QWidget* page, bool forward) {
    delete leaving_; // a change still under way ends at once
    leaving_ = current_;
    current_ = page;
    forward_ = forward;
    page->setParent(this);
    page->setGeometry(rect());
    page->show();
    // The first page is simply there, as a view's content is when it first appears.
    if (!leaving_) {
        progress_.jumpTo(1.0);
        incoming_ = outgoing_ = nullptr;
        return;
    }
    incoming_ = new LayerEffect(page);
    page->setGraphicsEffect(incoming_);
    outgoing_ = new LayerEffect(leaving_);
    leaving_->setGraphicsEffect(outgoing_);
    progress_.jumpTo(0.0);
    progress_.springTo(1.0, UI::page);
}

void PageStack::apply(double p) {
    if (incoming_) incoming_->setLook(LayerEffect::pageShift((forward_ ? 22 : -22) * (1 - p), p));
    if (outgoing_) outgoing_->setLook(LayerEffect::pageShift((forward_ ? -14 : 14) * p, 1 - p));
}

void PageStack::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (QWidget* w : {current_.data(), leaving_.data()})
        if (w) w->setGeometry(rect());
}

} // namespace mivora
