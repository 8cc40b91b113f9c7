#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QWidget>

namespace mivora {

// One line of tip text. A new text replaces the old one along the smooth spring: it rises 6 points into
// place while fading in, and the old one rises 6 points away while fading out.
class TipText final : public QWidget {
    Q_OBJECT
public:
    explicit TipText(QWidget* parent = nullptr);

    void setText(const QString& text, bool animate);
    QString text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString old_;
    QString text_;
    SpringAnimation progress_{1.0};
};

} // namespace mivora
