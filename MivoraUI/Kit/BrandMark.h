#pragma once

#include <QWidget>

namespace mivora {

// The application's icon in a `size` x `size` square; an empty square when the application has none.
class BrandMark final : public QWidget {
    Q_OBJECT
public:
    explicit BrandMark(double size, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const double size_;
};

} // namespace mivora
