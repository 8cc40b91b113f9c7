#include "MivoraUI/HUD/ChoiceList.h"

#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/OneLine.h"
#include "MivoraUI/Kit/UI.h"

#include <QPainter>

namespace mivora {

namespace {

constexpr int listWidth = 300;
constexpr int badge = 18;
constexpr int rowPadding = 3;
constexpr int spacing = 4;
constexpr int textLeft = badge + 10;

QFont titleFont() {
    return UI::font(13, QFont::DemiBold);
}
QFont subtitleFont() {
    return UI::font(11);
}
QFont footerFont() {
    return UI::font(10.5);
}
QColor white(double alpha) {
    return QColor::fromRgbF(1, 1, 1, float(alpha));
}

const QString footer = QStringLiteral("按数字选择 · Esc 关闭");

} // namespace

ChoiceList::ChoiceList(QList<RecallChoice> choices, std::optional<QString> armed, QWidget* parent)
    : QWidget(parent), choices_(std::move(choices)), armed_(std::move(armed)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
}

void ChoiceList::setChoices(QList<RecallChoice> choices, std::optional<QString> armed) {
    choices_ = std::move(choices);
    armed_ = std::move(armed);
    setFixedSize(sizeHint());
    update();
}

QString ChoiceList::subtitle(const RecallChoice& choice, int n, const std::optional<QString>& armed) {
    if (armed && *armed == choice.id) return QStringLiteral("再按 %1 填入").arg(n);
    // Found without splitting the whole preview, and cut to what the row can show: a long value costs no
    // more than a short one.
    const QString& preview = choice.preview;
    qsizetype start = 0;
    while (start < preview.size() && preview[start] == u'\n')
        ++start;
    const qsizetype stop = std::min(preview.size(), start + OneLine::readAtMost);
    qsizetype end = start;
    while (end < stop && preview[end] != u'\n')
        ++end;
    return OneLine::prefix(QStringView(preview).mid(start, end - start));
}

int ChoiceList::rowHeight() const {
    const int text = QFontMetrics(titleFont()).height() + 1 + QFontMetrics(subtitleFont()).height();
    return std::max(badge, text) + 2 * rowPadding;
}

QSize ChoiceList::sizeHint() const {
    const int rows = int(choices_.size());
    return {listWidth, rows * (rowHeight() + spacing) + 2 + QFontMetrics(footerFont()).height()};
}

void ChoiceList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics titleMetrics(titleFont());
    const QFontMetrics subtitleMetrics(subtitleFont());
    const int row = rowHeight();
    int y = 0;
    for (qsizetype i = 0; i < choices_.size(); ++i) {
        const RecallChoice& choice = choices_[i];
        const int n = int(i) + 1;
        const bool armed = armed_ && *armed_ == choice.id;

        const QRectF badgeBox(0, y + (row - badge) / 2.0, badge, badge);
        painter.setPen(Qt::NoPen);
        painter.setBrush(white(0.12));
        painter.drawRoundedRect(badgeBox, 5, 5);
        painter.setFont(UI::font(11, QFont::Bold));
        painter.setPen(white(0.75));
        painter.drawText(badgeBox, Qt::AlignCenter, QString::number(n));

        const int textHeight = titleMetrics.height() + 1 + subtitleMetrics.height();
        const int top = y + (row - textHeight) / 2;
        const int room = listWidth - textLeft;
        const int lockRoom = choice.sensitive ? 4 + 11 : 0;
        const QString title = OneLine::elided(titleMetrics, choice.title, room - lockRoom);
        painter.setFont(titleFont());
        painter.setPen(Qt::white);
        painter.drawText(QPoint(textLeft, top + titleMetrics.ascent()), title);
        if (choice.sensitive) {
            const double x = textLeft + titleMetrics.horizontalAdvance(title) + 4;
            Icon::paint(painter, QStringLiteral("lock.fill"),
                        QRectF(x, top + (titleMetrics.height() - 11) / 2.0, 11, 11), UI::orange());
        }
        painter.setFont(subtitleFont());
        painter.setPen(armed ? UI::orange() : white(0.55));
        painter.drawText(QPoint(textLeft, top + titleMetrics.height() + 1 + subtitleMetrics.ascent()),
                         OneLine::elided(subtitleMetrics, subtitle(choice, n, armed_), room));
        y += row + spacing;
    }
    painter.setFont(footerFont());
    painter.setPen(white(0.4));
    painter.drawText(QPoint(0, y + 2 + QFontMetrics(footerFont()).ascent()), footer);
}

} // namespace mivora
