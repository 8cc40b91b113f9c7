#pragma once

#include "Memories/MemoryTemplate.h"

#include <QList>
#include <QWidget>

class QHBoxLayout;

namespace mivora {

class MemoriesLabel;
class SoftButton;

// What the memories page shows with no memory open: a heading, how recall works (with `hotkey`, the name of
// the key held for a take), and for an empty store one button per template to start from.
class MemoriesEmptyState final : public QWidget {
    Q_OBJECT
public:
    // `clock` only stamps the template memories whose titles the buttons show.
    MemoriesEmptyState(const Clock& clock, const QString& hotkey, QWidget* parent = nullptr);
    void setStoreEmpty(bool empty);

signals:
    void templateChosen(mivora::MemoryTemplate::Case which);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // One row of buttons where it fits, otherwise two, each centred.
    void placeButtons();

    MemoriesLabel* heading_;
    QHBoxLayout* rows_[2];
    QWidget* templates_;
    QList<SoftButton*> buttons_;
    int perRow_ = 0;
};

} // namespace mivora
