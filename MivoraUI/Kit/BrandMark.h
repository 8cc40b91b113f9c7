#pragma once

#include <QIcon>
#include <QWidget>

namespace mivora {

// The application's icon in a `size` x `size` square: the window icon when one was set, else the program's
// own (the one the install puts in the icon theme); an empty square when neither can be drawn.
class BrandMark final : public QWidget {
    Q_OBJECT
public:
    explicit BrandMark(double size, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // What the mark draws.
    static QIcon icon();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const double size_;
};

} // namespace mivora
