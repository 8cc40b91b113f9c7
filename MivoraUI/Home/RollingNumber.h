#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QWidget>

namespace mivora {

// A figure in monospaced digits whose changed digits roll upward to the new value (the old digit leaves
// upward while the new one rises from below), along the snappy spring.
class RollingNumber final : public QWidget {
    Q_OBJECT
public:
    explicit RollingNumber(QFont font, QWidget* parent = nullptr);

    // Plain decimal text, no separators. Rolls while on screen; set at once otherwise.
    void setValue(qint64 value);
    QString text() const { return to_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double cell() const;
    QString from_;
    QString to_;
    SpringAnimation progress_{1.0};
};

} // namespace mivora
