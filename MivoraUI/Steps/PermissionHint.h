#pragma once

#include <QVariantAnimation>
#include <QWidget>

namespace mivora {

// A small looping drawing beside the active permission step that shows what to do there: sound waves
// from a microphone, a switch turning on, a keyboard key pressed. It holds still while it is hidden or the
// window it sits in cannot be seen.
class PermissionHint final : public QWidget {
    Q_OBJECT
public:
    enum class Kind { mic, accessibility, fn };

    explicit PermissionHint(Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    bool animating() const { return loop_.state() == QAbstractAnimation::Running; }
    QSize sizeHint() const override { return {64, 26}; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();
    void paintMic(QPainter& painter, double t, const QColor& ink) const;
    void paintSwitch(QPainter& painter, double t, const QColor& ink) const;
    void paintKey(QPainter& painter, double t, const QColor& ink) const;

    const Kind kind_;
    QVariantAnimation loop_;
};

} // namespace mivora
