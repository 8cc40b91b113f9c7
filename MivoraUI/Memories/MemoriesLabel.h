#pragma once

#include <QFont>
#include <QLabel>

namespace mivora {

// A label of the memories page: always plain text (a title such as "<b>家</b>" shows as typed), in the
// interface font, either in the text colour or in the secondary style that follows light and dark.
class MemoriesLabel final : public QLabel {
    Q_OBJECT
public:
    enum class Style { primary, secondary };

    MemoriesLabel(const QString& text, double size, QFont::Weight weight = QFont::Normal,
                  Style style = Style::primary, QWidget* parent = nullptr);

    // The secondary text colour of `palette`: its text colour, faded.
    static QColor secondary(const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Style style_;
};

} // namespace mivora
