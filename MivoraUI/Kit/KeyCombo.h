#pragma once

#include <QStringList>
#include <QWidget>

namespace mivora {

// A key combination as small chips joined by plus signs ("fn" + "shift"), every key alike, digits too
// ("1 + 2 + 3"). Each key reads as this desktop's keyboards print it ("Shift", "空格"). No keys draw
// nothing.
class KeyCombo final : public QWidget {
    Q_OBJECT
public:
    explicit KeyCombo(const QStringList& keys, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // The chips' rectangles, left to right.
    QList<QRectF> chipRects() const;
    // The chips' texts and what stands between them, as read aloud: "右 Ctrl + Shift", "1 + 2 + 3".
    QString text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QStringList keys_;
};

} // namespace mivora
