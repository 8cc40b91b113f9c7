#pragma once

#include "Memories/Memory.h"
#include "MivoraUI/Memories/MemoryListModel.h"

#include <QWidget>

#include <optional>

class QLineEdit;
class QListView;
class QStackedLayout;

namespace mivora {

class Clock;
class MemoriesAddButton;
class MemoriesEmptyState;
class MemoriesLabel;
class MemoryEditor;
class MemoryStore;

// The page on which the user manages memories: a sidebar with the search field, the list and the add
// menu, beside the editor of one memory or, with none open, a short explanation. It follows the store's
// changes at once (a use counted by voice, a sync) and keeps the selection and the editor's unsaved text
// across them. Changes reach the store only when the editor saves or deletes.
class MemoriesView final : public QWidget {
    Q_OBJECT
public:
    // `hotkey` is the name of the key held for a take, as the page's explanation shows it.
    MemoriesView(MemoryStore& store, const Clock& clock, const QString& hotkey, QWidget* parent = nullptr);

    // The selected memory's id; it stays while a search hides the row.
    const std::optional<QString>& selection() const { return selection_; }
    // The open editor, or null while the explanation shows.
    MemoryEditor* editor() const { return editor_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
    void showSaveFailure();
    void showRows();
    void rowSelected();
    void startNew(Memory memory);
    void open(const Memory& memory);
    void close();
    void save(const Memory& edited);
    void remove(const QString& id);
    const Memory* stored(const QString& id) const;

    MemoryStore& store_;
    const Clock& clock_;
    QString query_;
    std::optional<QString> selection_;
    MemoryListModel model_;
    QWidget* sidebar_;
    QLineEdit* search_;
    QListView* list_;
    MemoriesAddButton* add_;
    QStackedLayout* detail_;
    MemoriesEmptyState* empty_;
    MemoryEditor* editor_ = nullptr;
    MemoriesLabel* unsaved_;
    // Set while the page itself moves the list's selection, which is no choice of the user's.
    bool settingSelection_ = false;
};

} // namespace mivora
