#pragma once

#include <QWidget>

namespace mivora {

// A one-line notice in the recording pill: the copied-to-clipboard icon for a hint, the orange circled
// exclamation mark for an error, then the text. A text wider than `maxWidth` is cut with an ellipsis
// so it never runs past the pill's window.
class NoticeRow final : public QWidget {
    Q_OBJECT
public:
    NoticeRow(const QString& text, bool isError, int maxWidth, QWidget* parent = nullptr);

    // The text as drawn (elided when it does not fit).
    const QString& shownText() const { return shown_; }
    bool isError() const { return isError_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const bool isError_;
    QString shown_;
};

} // namespace mivora
