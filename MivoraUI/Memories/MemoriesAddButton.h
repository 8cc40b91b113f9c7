#pragma once

#include <QToolButton>

namespace mivora {

// The add menu's button at the foot of the memories sidebar: a plus and "添加" on the leading edge of a
// borderless row the width of the sidebar; a click anywhere on the row opens the menu.
class MemoriesAddButton final : public QToolButton {
    Q_OBJECT
public:
    explicit MemoriesAddButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace mivora
