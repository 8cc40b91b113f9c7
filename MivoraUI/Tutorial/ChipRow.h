#pragma once

#include <QList>
#include <QWidget>

namespace mivora {

// Small widgets side by side (the label and the memory chips of the lesson's hint) that go on to a further
// line where the width runs out, so each keeps its whole width and no title is ever cut. An item wider
// than the row on its own takes the row's width and, when it can, wraps its text inside. Lines start at
// the left edge; items of a line are centred on it vertically.
class ChipRow final : public QWidget {
    Q_OBJECT
public:
    ChipRow(int spacing, int lineSpacing, QWidget* parent = nullptr);

    // Takes `item` as the next one of the row.
    void add(QWidget* item);

    QSize sizeHint() const override;        // everything on one line
    QSize minimumSizeHint() const override; // the widest item on a line of its own
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Lays the items out `width` wide, moving them when `apply`; the height they take.
    int place(int width, bool apply) const;

    QList<QWidget*> items_;
    const int spacing_;
    const int lineSpacing_;
};

} // namespace mivora
