#pragma once

#include "Suggest/SuggestController.h"

#include <QWidget>

namespace mivora {

// The rounded chip of the suggestion strip: an icon (a lock for a sensitive memory, a bolt otherwise),
// the memory's title, a one-line preview (or the hint for the second Tab) and a Tab key cap, on the dark
// capsule the recording HUD also uses. It is always drawn dark, whatever the desktop's appearance. It sizes
// itself to its content; drawn narrower (while its width animates), the content is cut at the capsule.
class SuggestChip final : public QWidget {
    Q_OBJECT
public:
    static constexpr int chipHeight = 28;
    static constexpr int maxPreviewWidth = 190;
    static inline const QString armedHint = QStringLiteral("再按 ⇥ 填入");

    explicit SuggestChip(QWidget* parent = nullptr);
    void setOffer(const SuggestController::Offer& offer);
    // The preview as drawn: the hint when armed, else the preview cut to one line of at most 190 points.
    QString shownPreview() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    SuggestController::Offer offer_;
};

} // namespace mivora
