#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"

#include <QWidget>

namespace mivora {

// A green check mark followed by a text. The first time it comes on screen a ring grows out of the mark
// and fades while the mark bounces; later redraws (a new text included) do not replay it.
class SuccessBadge final : public QWidget {
    Q_OBJECT
public:
    explicit SuccessBadge(const QString& text, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    // 0 before the first appearance, 1 once the ring has gone out.
    double ring() const { return ring_.value().toDouble(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QString text_;
    bool played_ = false;
    SpringAnimation ring_{0.0};
};

} // namespace mivora
