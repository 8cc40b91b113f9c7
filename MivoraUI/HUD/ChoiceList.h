#pragma once

#include "Dictation/RecallChoice.h"

#include <QList>
#include <QWidget>

#include <optional>

namespace mivora {

// The numbered recall choices in the recording pill: a number badge, the title (with a lock for a
// sensitive memory) and one line under it, 300 points wide, with the key hint as footer.
class ChoiceList final : public QWidget {
    Q_OBJECT
public:
    ChoiceList(QList<RecallChoice> choices, std::optional<QString> armed, QWidget* parent = nullptr);

    void setChoices(QList<RecallChoice> choices, std::optional<QString> armed);

    // The line under a choice's title: the press-again prompt when the row is armed, otherwise the first
    // non-empty line of its preview (empty when there is none). `n` counts from 1.
    static QString subtitle(const RecallChoice& choice, int n, const std::optional<QString>& armed);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int rowHeight() const;
    QList<RecallChoice> choices_;
    std::optional<QString> armed_;
};

} // namespace mivora
