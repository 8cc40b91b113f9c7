#pragma once

#include "Suggest/SuggestController.h"

#include <QWidget>

namespace mivora {

// The rounded chip of the suggestion strip: an icon (a lock for a sensitive memory, a bolt otherwise),
// the memory's title, a one-line preview (or the hint for the second Tab) and a Tab key cap, on the dark
// capsule the recording HUD also uses. It takes exactly its natural size.
class SuggestChip final : public QWidget {
    Q_OBJECT
public:
    static constexpr int chipHeight = 28;
    static constexpr int maxPreviewWidth = 190;
    static inline const QString armedHint = QStringLiteral("再按 ⇥ 填入");

    explicit SuggestChip(QWidget* parent = nullptr);
    void setOffer(const SuggestController::Offer& offer);
    // The preview as drawn: the hint when armed, else the preview cut to one line of at most 190 px.
    QString shownPreview() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QFont titleFont() const;
    QFont previewFont() const;
    QFont capFont() const;
    SuggestController::Offer offer_;
};

} // namespace mivora
