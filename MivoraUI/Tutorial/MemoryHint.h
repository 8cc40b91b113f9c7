#pragma once

#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QHBoxLayout;

namespace mivora {

class Clock;
class MemoryStore;

// Under the steps of the recall and typing lessons: with no memory yet, a card that sends the user to add
// one ("去添加"); otherwise "你的记忆：" and the titles of up to four memories to try. Follows the store.
class MemoryHint final : public QWidget {
    Q_OBJECT
public:
    MemoryHint(MemoryStore& store, const Clock& clock, QWidget* parent = nullptr);

    // "去添加" while the store is empty; none otherwise.
    QAbstractButton* addButton() const { return add_; }
    // The titles shown as chips.
    const QStringList& chips() const { return chips_; }

signals:
    void addRequested();

private:
    void rebuild();
    MemoryStore& store_;
    const Clock& clock_;
    QHBoxLayout* layout_;
    QWidget* content_ = nullptr;
    QAbstractButton* add_ = nullptr;
    QStringList chips_;
};

} // namespace mivora
