#pragma once

#include <QStringList>
#include <QWidget>

namespace mivora {

// A key combination as small chips joined by plus signs ("fn" + "shift"). No keys draw nothing.
class KeyCombo final : public QWidget {
    Q_OBJECT
public:
    explicit KeyCombo(const QStringList& keys, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // The chips' rectangles, left to right.
    QList<QRectF> chipRects() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QStringList keys_;
};

} // namespace mivora
