#pragma once

#include "MivoraUI/Kit/SpringAnimation.h"
#include "MivoraUI/Model/Lesson.h"

#include <QWidget>

namespace mivora {

// The tutorial's row of lesson tabs on a faint capsule: each tab the lesson's symbol and title; the
// selected one sits on an accent capsule that glides from tab to tab when the selection changes.
class LessonTabs final : public QWidget {
    Q_OBJECT
public:
    explicit LessonTabs(Lesson selected, QWidget* parent = nullptr);

    // Moves the selection (the capsule glides there).
    void setSelected(Lesson lesson);
    Lesson selected() const { return selected_; }
    QRectF tabRect(Lesson lesson) const;
    // Where the accent capsule is drawn now.
    QRectF selectionRect() const { return glide_.value().toRectF(); }
    QSize sizeHint() const override;

signals:
    // A tab was clicked.
    void chosen(Lesson lesson);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double tabWidth(Lesson lesson) const;
    Lesson selected_;
    SpringAnimation glide_;
};

} // namespace mivora
