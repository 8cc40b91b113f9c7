#pragma once

#include <QWidget>

namespace mivora {

// A padded block of content on a rounded, filled panel with a hairline border drawn inside its edge.
// No shadow, no clipping of the content, no hover behaviour.
class Card final : public QWidget {
    Q_OBJECT
public:
    Card(QWidget* content, double radius, double padding, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const double radius_;
};

// Wraps `content` (taken over) in a Card with the given corner radius and padding, both in points.
Card* card(QWidget* content, double radius, double padding);

} // namespace mivora
