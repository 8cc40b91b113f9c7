#include "MivoraUI/Home/HomePage.h"

#include "Dictation/Permissions.h"
#include "Dictation/SetupModel.h"
#include "Dictation/UsageStats.h"
#include "Dictation/VoiceController.h"
#include "Insertion/TextInserter.h"
#include "MivoraUI/Home/LessonCard.h"
#include "MivoraUI/Home/Reveal.h"
#include "MivoraUI/Home/RollingNumber.h"
#include "MivoraUI/Home/TipText.h"
#include "MivoraUI/Kit/Card.h"
#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/Layouts.h"
#include "MivoraUI/Kit/PracticeField.h"
#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Kit/SymbolView.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Model/AppModel.h"
#include "Platform/Platform.h"
#include "Platform/PlatformWords.h"
#include "Support/Clock.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QVBoxLayout>

namespace mivora {

namespace {

constexpr int columnWidth = 760;

// A borderless button of an icon and a short text in the secondary style.
class IconTextButton final : public QAbstractButton {
public:
    IconTextButton(const QString& symbol, const QString& text) : symbol_(symbol) {
        setText(text);
        setFont(UI::font(11.5));
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetricsF fm(font());
        return QSizeF(fm.height() + 4 + fm.horizontalAdvance(text()), fm.height()).toSize() + QSize(1, 0);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor ink = StyledLabel::color(StyledLabel::Style::secondary, palette());
        if (isDown()) ink.setAlphaF(ink.alphaF() * 0.6f);
        const double icon = QFontMetricsF(font()).height();
        Icon::paint(painter, symbol_, QRectF(0, (height() - icon) / 2, icon, icon).adjusted(1, 1, -1, -1),
                    ink);
        painter.setPen(ink);
        painter.setFont(font());
        painter.drawText(QRectF(icon + 4, 0, width() - icon - 4, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         text());
    }

private:
    const QString symbol_;
};

} // namespace

HomePage::HomePage(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), hotkey_(model.hotkeyName()) {
    setObjectName(QStringLiteral("home"));

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("homeColumn"));
    page->setMaximumWidth(columnWidth);
    auto* blocks = Layouts::column(26, page);
    blocks->setContentsMargins(36, 34, 36, 34);
    QWidget* top = header();
    QWidget* banner = setupBanner();
    QWidget* lessons = cards();
    auto* figures = new QWidget;
    auto* figuresRow = Layouts::row(14);
    figures->setLayout(figuresRow);
    figuresRow->addWidget(statsCard(), 1, Qt::AlignTop);
    figuresRow->addWidget(tryCard(), 1, Qt::AlignTop);
    QWidget* tips = tipCard();
    const std::pair<QWidget*, int> order[] = {{top, 0}, {banner, 1}, {lessons, 1}, {figures, 2}, {tips, 3}};
    for (const auto& [block, index] : order) {
        blocks->addWidget(block);
        reveals_.append(new Reveal(block, index, model_.environment().scheduler));
    }
    blocks->addStretch(1);

    auto* centred = new QWidget;
    auto* middle = Layouts::row(0);
    centred->setLayout(middle);
    // The column grows to its widest, and the rest is shared equally on both sides.
    middle->addStretch(1);
    middle->addWidget(page, 1000);
    middle->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("homeScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(centred);
    scroll->viewport()->setAutoFillBackground(false);
    centred->setAutoFillBackground(false);
    Layouts::column(0, this)->addWidget(scroll);

    SetupModel& setup = model_.setup();
    for (auto signal :
         {&SetupModel::micChanged, &SetupModel::accessibilityChanged, &SetupModel::fnFreeChanged,
          &SetupModel::cloudReadyChanged, &SetupModel::accountReadyChanged})
        connect(&setup, signal, this, &HomePage::refresh);
    connect(&model_.stats(), &UsageStats::todayChanged, this, &HomePage::refresh);
    connect(&model_.stats(), &UsageStats::charsChanged, this, &HomePage::refresh);
    connect(&model_.controller(), &VoiceController::lastTextChanged, this, &HomePage::refresh);
    showTip(0, false);
    refresh();
}

HomePage::~HomePage() {
    model_.environment().scheduler.cancel(tipTimer_);
}

QStringList HomePage::tips(const QString& hotkey) {
    QStringList out{
        QStringLiteral("说长段时按 Fn+空格，可以松开手说，再按一次 Fn 结束。"),
        QStringLiteral("说错了直接改口，比如「三点，不对，四点」，只会留下四点。"),
        QStringLiteral("说「第一、第二、第三」，会自动整理成编号列表。"),
        QStringLiteral("按住 Fn 时按 Esc，这一句就取消，什么都不会填进去。"),
        QStringLiteral("打字打到「我的地址」，光标下面会递上地址，按 Tab 接上。"),
        QStringLiteral("识别没成功时，菜单栏图标里可以「重试上一段」。"),
    };
    for (QString& tip : out) {
        tip.replace(QStringLiteral("Fn"), hotkey);
        tip.replace(QStringLiteral("菜单栏图标"), PlatformWords::statusIcon());
    }
    return out;
}

QString HomePage::greeting(int hour) {
    if (hour >= 5 && hour <= 10) return QStringLiteral("早上好");
    if (hour >= 11 && hour <= 13) return QStringLiteral("中午好");
    if (hour >= 14 && hour <= 17) return QStringLiteral("下午好");
    return QStringLiteral("晚上好");
}

QWidget* HomePage::header() {
    auto* block = new QWidget;
    block->setObjectName(QStringLiteral("header"));
    auto* layout = Layouts::column(6, block);
    greeting_ = new StyledLabel(QString(), 30, QFont::Light, StyledLabel::Style::primary, 0.5);
    greeting_->setObjectName(QStringLiteral("greeting"));
    status_ = new StyledLabel(QString(), 13, QFont::Normal, StyledLabel::Style::secondary);
    status_->setObjectName(QStringLiteral("status"));
    layout->addWidget(greeting_);
    layout->addWidget(status_);
    return block;
}

QWidget* HomePage::setupBanner() {
    auto* content = new QWidget;
    auto* layout = Layouts::row(12);
    content->setLayout(layout);
    layout->addWidget(new SymbolView(QStringLiteral("exclamationmark.circle.fill"), 18, UI::orange()));
    auto* texts = new QWidget;
    auto* lines = Layouts::column(2, texts);
    bannerTitle_ = new StyledLabel(QString(), 13, QFont::DemiBold);
    bannerTitle_->setObjectName(QStringLiteral("bannerTitle"));
    bannerDetail_ = new StyledLabel(QString(), 12, QFont::Normal, StyledLabel::Style::secondary);
    bannerDetail_->setObjectName(QStringLiteral("bannerDetail"));
    lines->addWidget(bannerTitle_);
    lines->addWidget(bannerDetail_);
    layout->addWidget(texts);
    layout->addStretch(1);
    auto* finish = new PrimaryButton(QStringLiteral("去完成"));
    finish->setObjectName(QStringLiteral("finishSetup"));
    connect(finish, &QAbstractButton::clicked, this, [this] { model_.open(AppModel::Section::settings); });
    layout->addWidget(finish);
    banner_ = card(content, 14, 16);
    banner_->setObjectName(QStringLiteral("banner"));
    return banner_;
}

QWidget* HomePage::cards() {
    auto* block = new QWidget;
    block->setObjectName(QStringLiteral("cards"));
    auto* layout = Layouts::row(12);
    block->setLayout(layout);
    for (Lesson lesson : Lessons::all) {
        auto* card = new LessonCard(lesson, hotkey_);
        connect(card, &QAbstractButton::clicked, this,
                [this, lesson] { model_.open(AppModel::Section::tutorial, lesson); });
        layout->addWidget(card, 1);
    }
    return block;
}

QWidget* HomePage::statsCard() {
    auto* content = new QWidget;
    auto* layout = Layouts::column(14, content);
    layout->addWidget(
        new StyledLabel(QStringLiteral("用了多少"), 11, QFont::Medium, StyledLabel::Style::secondary, 0.8));
    auto* figures = Layouts::row(22);
    const auto stat = [&](RollingNumber*& number, const char* name, const char* label) {
        auto* box = new QWidget;
        auto* lines = Layouts::column(2, box);
        QFont font = UI::font(30, QFont::Light);
        number = new RollingNumber(font);
        number->setObjectName(QString::fromLatin1(name));
        lines->addWidget(number);
        lines->addWidget(
            new StyledLabel(QString::fromUtf8(label), 11, QFont::Normal, StyledLabel::Style::secondary));
        figures->addWidget(box);
    };
    stat(today_, "today", "今天（次）");
    stat(chars_, "chars", "累计（字）");
    stat(minutes_, "minutesSaved", "省下（分钟）");
    figures->addStretch(1);
    layout->addLayout(figures);
    layout->addWidget(new StyledLabel(QStringLiteral("只记次数和字数，不记内容。"), 11, QFont::Normal,
                                      StyledLabel::Style::tertiary));
    auto* block = card(content, 14, 16);
    block->setObjectName(QStringLiteral("stats"));
    return block;
}

QWidget* HomePage::tryCard() {
    auto* content = new QWidget;
    auto* layout = Layouts::column(10, content);
    auto* top = Layouts::row(0);
    top->addWidget(
        new StyledLabel(QStringLiteral("试一试"), 11, QFont::Medium, StyledLabel::Style::secondary, 0.8));
    top->addStretch(1);
    copy_ = new IconTextButton(QStringLiteral("doc.on.doc"), QStringLiteral("复制上一段"));
    copy_->setObjectName(QStringLiteral("copyLast"));
    connect(copy_, &QAbstractButton::clicked, this, &HomePage::copyLast);
    top->addWidget(copy_);
    layout->addLayout(top);
    trial_ =
        new PracticeField(model_.environment().scheduler,
                          QStringLiteral("点这里，按住 Fn 说一句话，然后松开").replace("Fn", hotkey_), 84);
    trial_->setObjectName(QStringLiteral("trial"));
    layout->addWidget(trial_);
    auto* block = card(content, 14, 16);
    block->setObjectName(QStringLiteral("try"));
    return block;
}

QWidget* HomePage::tipCard() {
    auto* content = new QWidget;
    auto* layout = Layouts::row(10);
    content->setLayout(layout);
    layout->addWidget(SymbolView::secondary(QStringLiteral("lightbulb"), 12, 0.8));
    tipText_ = new TipText;
    tipText_->setObjectName(QStringLiteral("tip"));
    layout->addWidget(tipText_, 1);
    auto* block = card(content, 12, 12);
    block->setObjectName(QStringLiteral("tips"));
    return block;
}

void HomePage::refresh() {
    const SetupModel& setup = model_.setup();
    // The same answer the footer, the tray and the start's lines give: a relay build signed out is not ready.
    const bool ready = setup.ready();
    greeting_->setText(greeting(model_.environment().clock.now().toLocalTime().time().hour()));
    status_->setText(ready ? QStringLiteral("在任何地方，说一句就写好。")
                           : QStringLiteral("还差几步就能用了。"));
    banner_->setVisible(!ready);
    bannerTitle_->setText(QStringLiteral("还差 %1 步设置").arg(std::max(setup.remaining(), 1)));
    bannerDetail_->setText(bannerDetail());
    const UsageStats& stats = model_.stats();
    today_->setValue(stats.today());
    chars_->setValue(stats.chars());
    minutes_->setValue(stats.minutesSaved());
    lastText_ = model_.controller().lastText();
    copy_->setVisible(lastText_.has_value());
}

QString HomePage::bannerDetail() const {
    const SetupModel& setup = model_.setup();
    const QString key = model_.hotkeyName();
    if (!setup.cloudReady()) return QStringLiteral("云端识别还没配置");
    if (!setup.mic() || !setup.accessibility())
        return QStringLiteral("打开权限后，按住 %1 就能说话").arg(key);
    // With every permission on, the step left is one a desktop keyboard or a relay build adds: name it, as
    // the lines "按住 … 就能说话" would otherwise promise a take that is refused.
    if (!setup.fnFree()) {
        if (model_.environment().permissions.fnUsage())
            return QStringLiteral("%1 被别的程序占用了：换一个键，或者在那个程序里把它让出来").arg(key);
        return QStringLiteral("键盘上没有 %1：换一个键，按住它就能说话").arg(key);
    }
    if (!setup.accountReady()) return QStringLiteral("登录账号后，按住 %1 就能说话").arg(key);
    return {};
}

void HomePage::showTip(int index, bool animate) {
    tip_ = index;
    tipText_->setText(tips(hotkey_).at(index), animate);
}

void HomePage::copyLast() {
    if (!lastText_) return;
    model_.environment().platform.pasteboard().write(
        {Pasteboard::Item{{TextInserter::textType, lastText_->toUtf8()}}});
}

void HomePage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    if (!appeared_) {
        appeared_ = true;
        const bool still = UI::reduceMotion(model_.environment().defaults);
        for (Reveal* reveal : reveals_)
            reveal->start(still);
    }
    // Each time the page comes on screen: a random tip, then the next one every 8 s.
    Scheduler& scheduler = model_.environment().scheduler;
    scheduler.cancel(tipTimer_);
    showTip(int(QRandomGenerator::global()->bounded(int(tips(hotkey_).size()))), false);
    tipTimer_ =
        scheduler.every(tipInterval, [this] { showTip((tip_ + 1) % int(tips(hotkey_).size()), true); });
}

void HomePage::hideEvent(QHideEvent* event) {
    model_.environment().scheduler.cancel(tipTimer_);
    tipTimer_ = 0;
    QWidget::hideEvent(event);
}

} // namespace mivora
