#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QPointer>
#include <QWidget>

namespace mivora {

class LayerEffect;

// Shows one page at a time and changes pages with the page transition: going forward the new page slides
// in from 22 points to the right while fading in and the old one slides 14 points to the left while fading
// out; going back mirrors both. Runs along the page spring; the old page is deleted once it is out.
class PageStack final : public QWidget {
    Q_OBJECT
public:
    explicit PageStack(QWidget* parent = nullptr);

    // Takes `page` over and makes it the current page; the first one comes without a transition.
    void setPage(QWidget* page, bool forward);
    QWidget* page() const { return current_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void apply(double progress);
    QPointer<QWidget> current_;
    QPointer<QWidget> leaving_;
    LayerEffect* incoming_ = nullptr;
    LayerEffect* outgoing_ = nullptr;
    bool forward_ = true;
    SpringAnimation progress_{1.0};
};

} // namespace mivora
