#pragma once

#include <QWidget>

namespace mivora {

// A row of small dots, one per page, the current one wide and dark. A click on a dot asks for its page.
class PageDots final : public QWidget {
    Q_OBJECT
public:
    explicit PageDots(int count, QWidget* parent = nullptr);

    void setCurrent(int index);
    int current() const { return current_; }
    QSize sizeHint() const override;

signals:
    void picked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF dot(int index) const;

    const int count_;
    int current_ = 0;
};

} // namespace mivora
