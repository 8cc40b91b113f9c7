#pragma once

#include <QWidget>

class QLineEdit;

namespace mivora {

// The search row of the memories sidebar: a magnifying glass and a borderless text field on a faint
// rounded background, inset from the sidebar's edges.
class MemoriesSearchField final : public QWidget {
    Q_OBJECT
public:
    explicit MemoriesSearchField(QWidget* parent = nullptr);
    QLineEdit* edit() const { return edit_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitEditToPalette();

    QLineEdit* edit_;
};

} // namespace mivora
