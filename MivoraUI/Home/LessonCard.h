#pragma once

#include "MivoraUI/Model/Lesson.h"

#include <QAbstractButton>

namespace mivora {

// One lesson on the home page: a card that is a button over its whole rectangle, lifting under the
// pointer, with the lesson's symbol, keys, title and tagline and "看演示、练一练" at its foot.
class LessonCard final : public QAbstractButton {
    Q_OBJECT
public:
    LessonCard(Lesson lesson, const QString& hotkey, QWidget* parent = nullptr);
    Lesson lesson() const { return lesson_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Lesson lesson_;
};

} // namespace mivora
