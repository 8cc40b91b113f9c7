#pragma once

#include <QWidget>

namespace mivora {

// The product name set in the brand's font at `size` points, letters drawn 2 % of the size closer.
class Wordmark final : public QWidget {
    Q_OBJECT
public:
    explicit Wordmark(double size, QWidget* parent = nullptr);

    static QString text();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace mivora
