#pragma once

#include <QFont>
#include <QLabel>

namespace mivora {

// A label of the account block: always plain text (an address or a server's message is shown as it came,
// never as markup), in the interface font, in one of the block's text styles. The faded styles are resolved
// at paint time from the palette in use, so they follow a switch between light and dark.
class AccountLabel final : public QLabel {
    Q_OBJECT
public:
    enum class Style { primary, secondary, tertiary, warning };

    AccountLabel(const QString& text, double size, QFont::Weight weight = QFont::Normal,
                 Style style = Style::primary, QWidget* parent = nullptr);

    static QColor color(Style style, const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Style style_;
};

} // namespace mivora
