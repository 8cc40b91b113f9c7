#include "MivoraUI/Welcome/CompactLesson.h"

#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Model/AppModel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace mivora {

// Until the tutorial's lesson view is here: the lesson's title, its numbered steps and the way on.
QWidget* makeCompactLesson(AppModel& model, Lesson lesson, std::function<void()> next, QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("lesson%1").arg(Lessons::raw(lesson)));
    auto* column = new QVBoxLayout(page);
    column->setSpacing(10);
    column->addStretch(1);
    auto* title = new QLabel(Lessons::title(lesson), page);
    title->setFont(UI::font(24, QFont::Bold));
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    const QStringList steps = Lessons::steps(lesson, model.hotkeyName());
    for (int i = 0; i < steps.size(); ++i) {
        auto* step = new QLabel(QString::number(i + 1) + QStringLiteral(". ") + steps[i], page);
        step->setFont(UI::font(13));
        step->setAlignment(Qt::AlignCenter);
        column->addWidget(step);
    }
    auto* go = new PrimaryButton(QStringLiteral("下一步"), page);
    go->setObjectName(QStringLiteral("next"));
    QObject::connect(go, &QAbstractButton::clicked, page, [next = std::move(next)] {
        if (next) next();
    });
    column->addSpacing(12);
    column->addWidget(go, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return page;
}

} // namespace mivora
