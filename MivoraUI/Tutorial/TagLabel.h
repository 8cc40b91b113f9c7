#pragma once

#include <QLabel>

namespace mivora {

// A short text on a capsule tinted with the primary colour: the lesson's step numbers (a circle when
// the label is square) and the chips of the user's memory titles.
class TagLabel final : public QLabel {
    Q_OBJECT
public:
    TagLabel(const QString& text, const QFont& font, double tint, QMargins padding,
             QWidget* parent = nullptr);

    // The whole text on one line, also for a label that may wrap: it wraps only when given less.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const double tint_;
};

} // namespace mivora
