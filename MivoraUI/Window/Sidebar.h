#pragma once

#include <QWidget>

class QListWidget;

namespace mivora {

class AppModel;
class SidebarFooter;

// The window's left column: the four sections in their order, one always selected, above the setup
// footer. Selecting a row opens its section through the model; a selection that would leave no row
// selected is undone.
class Sidebar final : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumWidth = 180;
    static constexpr int idealWidth = 190;
    static constexpr int maximumWidth = 220;

    explicit Sidebar(AppModel& model, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }
    SidebarFooter* footer() const { return footer_; }
    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void paintIcons();
    void selectionChanged();
    void follow();

    AppModel& model_;
    QListWidget* list_;
    SidebarFooter* footer_;
};

} // namespace mivora
