#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QAbstractButton>

namespace mivora {

// A text button on a capsule that shrinks a little while pressed: ease-out in 0.09 s when pressed, the
// snappy spring back when released. PrimaryButton and SoftButton are its two looks. Neither look reads
// whether the button is enabled: a page that wants a disabled look adds it itself.
class CapsuleButton : public QAbstractButton {
    Q_OBJECT
public:
    QSize sizeHint() const override;
    // An icon of the kit drawn before the text, in the text's colour; empty: none.
    void setSymbol(const QString& name);
    const QString& symbol() const { return symbol_; }
    // 0 at rest, 1 fully pressed (a spring may briefly pass either end).
    double pressProgress() const { return press_.value().toDouble(); }

protected:
    enum class Look { primary, soft };
    CapsuleButton(Look look, const QString& text, QWidget* parent);
    void paintEvent(QPaintEvent* event) override;

private:
    const Look look_;
    QString symbol_;
    SpringAnimation press_{0.0};
};

} // namespace mivora
