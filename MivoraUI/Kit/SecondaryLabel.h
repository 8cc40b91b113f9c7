#pragma once

#include <QLabel>

namespace mivora {

// Plain text in the secondary style: the primary colour at 55 % opacity, resolved at paint time from the
// palette in use, so a switch of appearance shows on the next repaint.
class SecondaryLabel final : public QLabel {
    Q_OBJECT
public:
    explicit SecondaryLabel(const QString& text = {}, QWidget* parent = nullptr);

    static QColor colour(const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace mivora
