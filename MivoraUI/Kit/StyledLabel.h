#pragma once

#include <QFont>
#include <QLabel>

namespace mivora {

// A plain-text label in the interface font, drawn in one of the text styles of the kit. The colour is
// resolved from the palette in use each time it is drawn, so a switch of appearance shows at once.
class StyledLabel final : public QLabel {
    Q_OBJECT
public:
    enum class Style { primary, secondary, tertiary, orange };

    // `tracking`: extra space between letters, in points.
    StyledLabel(const QString& text, double size, QFont::Weight weight = QFont::Normal,
                Style style = Style::primary, double tracking = 0, QWidget* parent = nullptr);

    static QColor color(Style style, const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Style style_;
};

} // namespace mivora
