#pragma once

#include <QVariantAnimation>
#include <QWidget>

namespace mivora {

// The red recording dot of a hands-free take, 7 x 7 points, pulsing between 45 % and full opacity with a
// 1.8 s period while it is shown.
class RecDot final : public QWidget {
    Q_OBJECT
public:
    explicit RecDot(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {7, 7}; }
    double opacity() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVariantAnimation pulse_;
};

} // namespace mivora
