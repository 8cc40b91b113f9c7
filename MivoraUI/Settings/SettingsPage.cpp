#include "MivoraUI/Settings/SettingsPage.h"

#include "Account/AccountService.h"
#include "Dictation/SetupModel.h"
#include "MivoraUI/Kit/BrandMark.h"
#include "MivoraUI/Kit/Card.h"
#include "MivoraUI/Kit/KeyCombo.h"
#include "MivoraUI/Kit/Layouts.h"
#include "MivoraUI/Kit/SaveFailureNote.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Kit/Switch.h"
#include "MivoraUI/Kit/SymbolView.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Kit/Wordmark.h"
#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Settings/HotkeyChange.h"
#include "MivoraUI/Settings/SettingsHosted.h"
#include "MivoraUI/Settings/SteadyScrollArea.h"
#include "Platform/LoginItem.h"
#include "Platform/PlatformWords.h"
#include "Suggest/SuggestController.h"
#include "Support/AppLog.h"
#include "Support/BundleInfo.h"
#include "Support/Defaults.h"
#include "Support/QuietMessages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QUrl>
#include <QVBoxLayout>

namespace mivora {

namespace {

constexpr int columnWidth = 640;

// A hairline across the card.
class Divider final : public QWidget {
public:
    Divider() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), UI::stroke(palette())); }
};

// A title and its detail beside a switch at the far end.
QWidget* toggleRow(const QString& title, const QString& detail, Switch* toggle) {
    auto* line = new QWidget;
    auto* layout = Layouts::row(12, line);
    auto* texts = new QWidget;
    auto* lines = Layouts::column(2, texts);
    lines->addWidget(new StyledLabel(title, 13));
    auto* detailText = new StyledLabel(detail, 11.5, QFont::Normal, StyledLabel::Style::secondary);
    detailText->setWordWrap(true);
    lines->addWidget(detailText);
    layout->addWidget(texts, 1);
    toggle->setAccessibleName(title);
    layout->addWidget(toggle, 0, Qt::AlignVCenter);
    return line;
}

QWidget* shortcut(const QStringList& keys, const QString& text) {
    auto* line = new QWidget;
    auto* layout = Layouts::row(0, line);
    auto* combo = new QWidget;
    combo->setFixedWidth(120);
    Layouts::row(0, combo)->addWidget(new KeyCombo(keys), 0, Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(combo);
    layout->addWidget(new StyledLabel(text, 12.5));
    layout->addStretch(1);
    return line;
}

QWidget* privacy(const QString& symbol, const QString& text) {
    auto* line = new QWidget;
    auto* layout = Layouts::row(10, line);
    auto* icon = new QWidget;
    icon->setFixedWidth(18);
    Layouts::row(0, icon)->addWidget(SymbolView::secondary(symbol, 12.5), 0, Qt::AlignHCenter | Qt::AlignTop);
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* words = new StyledLabel(text, 12.5);
    words->setWordWrap(true);
    layout->addWidget(words, 1);
    return line;
}

} // namespace

SettingsPage::SettingsPage(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), hotkey_(model.hotkeyName()) {
    setObjectName(QStringLiteral("settings"));
    openFile = &SettingsPage::openWithDesktop;

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("settingsColumn"));
    page->setMaximumWidth(columnWidth);
    auto* items = Layouts::column(22, page);
    items->setContentsMargins(28, 28, 28, 28);
    auto* title = new StyledLabel(QStringLiteral("设置"), 24, QFont::DemiBold);
    title->setObjectName(QStringLiteral("title"));
    items->addWidget(title);
    for (QWidget* group : {accountGroup(), permissionsGroup(), featuresGroup(), shortcutsGroup(),
                           privacyGroup(), aboutGroup()})
        items->addWidget(group);
    items->addStretch(1);

    auto* centred = new QWidget;
    auto* middle = Layouts::row(0, centred);
    // The column grows to its widest, and the rest is shared equally on both sides.
    middle->addStretch(1);
    middle->addWidget(page, 1000);
    middle->addStretch(1);

    scroll_ = new SteadyScrollArea;
    scroll_->setObjectName(QStringLiteral("settingsScroll"));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidget(centred);
    scroll_->viewport()->setAutoFillBackground(false);
    auto* frame = Layouts::column(0, this);
    frame->addWidget(scroll_);

    // Under the scrolled column, at the foot of what is on screen: in sight wherever the change was made (a
    // switch far down the page, the hotkey, the tray), and the rows above keep their place when it comes,
    // as only the scrolled area's lower edge gives way to it (a flipped row at that edge is scrolled up into
    // sight).
    unsaved_ = new StyledLabel(QString(), 11.5, QFont::Normal, StyledLabel::Style::orange);
    unsaved_->setObjectName(QStringLiteral("settingsUnsaved"));
    unsaved_->setWordWrap(true);
    unsaved_->setMaximumWidth(columnWidth);
    unsaved_->setContentsMargins(28, 10, 28, 14);
    unsavedRule_ = new Divider;
    frame->addWidget(unsavedRule_);
    auto* foot = Layouts::row(0);
    foot->addStretch(1);
    foot->addWidget(unsaved_, 1000);
    foot->addStretch(1);
    frame->addLayout(foot);
    showSaveFailure();
    model_.environment().defaults.saveFailureChanged = [page = QPointer<SettingsPage>(this)] {
        if (page) page->showSaveFailure();
    };

    SetupModel& setup = model_.setup();
    for (auto signal : {&SetupModel::micChanged, &SetupModel::accessibilityChanged,
                        &SetupModel::fnFreeChanged, &SetupModel::cloudReadyChanged})
        connect(&setup, signal, this, &SettingsPage::refresh);
    if (AccountService* account = model_.account())
        connect(account, &AccountService::tokensChanged, this, &SettingsPage::refresh);
    refresh();
}

bool SettingsPage::openWithDesktop(const QString& file) {
    const QUrl url = QUrl::fromLocalFile(file);
    const QuietMessages quiet(
        {file, url.toString(), QString::fromLatin1(url.toEncoded()), url.toDisplayString()});
    return QDesktopServices::openUrl(url);
}

bool SettingsPage::typingOn() const {
    return typing_ && typing_->isChecked();
}

bool SettingsPage::loginOn() const {
    return login_ && login_->isChecked();
}

QWidget* SettingsPage::group(const QString& title, StyledLabel** subtitle, QWidget* content) {
    auto* block = new QWidget;
    auto* layout = Layouts::column(8, block);
    auto* head = new QHBoxLayout;
    head->setContentsMargins(0, 0, 0, 0);
    head->setSpacing(6);
    auto* heading = new StyledLabel(title, 13, QFont::DemiBold);
    heading->setObjectName(QStringLiteral("groupTitle"));
    head->addWidget(heading, 0, Qt::AlignBaseline);
    if (subtitle) {
        *subtitle = new StyledLabel(QString(), 11.5, QFont::Normal, StyledLabel::Style::secondary);
        (*subtitle)->setObjectName(QStringLiteral("groupSubtitle"));
        head->addWidget(*subtitle, 0, Qt::AlignBaseline);
    }
    head->addStretch(1);
    layout->addLayout(head);
    layout->addWidget(card(content, 14, 16));
    return block;
}

QWidget* SettingsPage::accountGroup() {
    auto* content = new QWidget;
    Layouts::column(10, content)->addWidget(SettingsHosted::accountSection(model_));
    account_ = group(QStringLiteral("账号"), &accountSubtitle_, content);
    account_->setObjectName(QStringLiteral("accountGroup"));
    return account_;
}

QWidget* SettingsPage::permissionsGroup() {
    auto* content = new QWidget;
    auto* layout = Layouts::column(10, content);
    layout->addWidget(SettingsHosted::permissionSteps(model_));
    cloudNotice_ = new QWidget;
    cloudNotice_->setObjectName(QStringLiteral("cloudNotice"));
    auto* notice = Layouts::row(6, cloudNotice_);
    notice->addWidget(new SymbolView(QStringLiteral("exclamationmark.circle"), 12, UI::orange()));
    notice->addWidget(new StyledLabel(QStringLiteral("云端识别还没配置（开发版读取 ~/.yarrik/openai_key）"),
                                      12, QFont::Normal, StyledLabel::Style::orange));
    notice->addStretch(1);
    layout->addWidget(cloudNotice_);
    QWidget* block = group(QStringLiteral("权限"), &permissionsSubtitle_, content);
    block->setObjectName(QStringLiteral("permissionsGroup"));
    return block;
}

QWidget* SettingsPage::featuresGroup() {
    auto* content = new QWidget;
    auto* layout = Layouts::column(10, content);
    if (SuggestController* suggest = model_.suggest()) {
        typing_ = new Switch;
        typing_->setObjectName(QStringLiteral("typingSwitch"));
        typing_->setChecked(true);
        remember(typing_);
        connect(typing_, &Switch::flipped, this, [suggest](bool on) { suggest->setEnabled(on); });
        layout->addWidget(toggleRow(
            QStringLiteral("打字时递上记忆"),
            QStringLiteral(
                "打出记忆的名字（「邮箱」「公司地址」，打一半也行）时，在光标旁递上内容，按 Tab 填入"),
            typing_));

        muted_ = new QWidget;
        muted_->setObjectName(QStringLiteral("mutedRow"));
        auto* mutedLine = Layouts::row(12, muted_);
        mutedText_ = new StyledLabel(QString(), 11.5, QFont::Normal, StyledLabel::Style::secondary);
        mutedText_->setWordWrap(true);
        mutedLine->addWidget(mutedText_, 1);
        auto* restore = new SoftButton(QStringLiteral("恢复"));
        restore->setObjectName(QStringLiteral("restoreMuted"));
        connect(restore, &QAbstractButton::clicked, this, [this, suggest] {
            suggest->resetMuted();
            setMutedWords(0);
        });
        mutedLine->addWidget(restore, 0, Qt::AlignVCenter);
        muted_->hide();
        layout->addWidget(muted_);
    }
    if (model_.environment().loginItem) {
        if (typing_) layout->addWidget(new Divider);
        login_ = new Switch;
        login_->setObjectName(QStringLiteral("loginSwitch"));
        // Every flip, a screen reader's too; the read-back and a refused change's revert only reflect the
        // login item, without asking it again, so a refusal is never undone behind the user's back.
        remember(login_);
        connect(login_, &Switch::flipped, this, &SettingsPage::setLogin);
        layout->addWidget(toggleRow(QStringLiteral("开机自动启动"),
                                    QStringLiteral("登录后在后台待命，不用每次手动打开"), login_));
        loginMessage_ = new StyledLabel(QString(), 11.5, QFont::Normal, StyledLabel::Style::orange);
        loginMessage_->setObjectName(QStringLiteral("loginError"));
        loginMessage_->setWordWrap(true);
        loginMessage_->hide();
        layout->addWidget(loginMessage_);
    }
    QWidget* block = group(QStringLiteral("功能"), nullptr, content);
    block->setObjectName(QStringLiteral("featuresGroup"));
    return block;
}

QWidget* SettingsPage::shortcutsGroup() {
    auto* content = new QWidget;
    auto* layout = Layouts::column(10, content);
    shortcutRows_ = new QWidget;
    Layouts::column(10, shortcutRows_);
    fillShortcuts();
    layout->addWidget(shortcutRows_);
    layout->addWidget(new Divider);
    hotkeyChange_ = new HotkeyChange(model_);
    hotkeyChange_->setObjectName(QStringLiteral("hotkeyChange"));
    connect(hotkeyChange_, &HotkeyChange::changed, this, &SettingsPage::followHotkey);
    layout->addWidget(hotkeyChange_);
    QWidget* block = group(QStringLiteral("快捷键"), nullptr, content);
    block->setObjectName(QStringLiteral("shortcutsGroup"));
    return block;
}

void SettingsPage::fillShortcuts() {
    QLayout* layout = shortcutRows_->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const auto say = [this](const char* text) { return QString::fromUtf8(text).replace("Fn", hotkey_); };
    layout->addWidget(shortcut({hotkey_}, say("按住说话，松开填入")));
    layout->addWidget(
        shortcut({hotkey_, QStringLiteral("space")}, say("免按住：松开手继续说，再按 Fn 结束")));
    layout->addWidget(shortcut({hotkey_, QStringLiteral("shift")}, say("问：说「我的地址」，直接填好")));
    layout->addWidget(shortcut({QStringLiteral("tab")}, say("接受光标下方递上的记忆")));
    layout->addWidget(shortcut({QStringLiteral("esc")}, say("取消这一句 / 关掉候选")));
    layout->addWidget(shortcut({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")},
                               say("有几条候选时，选第几条")));
}

void SettingsPage::followHotkey() {
    const QString key = model_.hotkeyName();
    if (key == hotkey_) return;
    hotkey_ = key;
    fillShortcuts();
}

QWidget* SettingsPage::privacyGroup() {
    auto* content = new QWidget;
    auto* layout = Layouts::column(10, content);
    layout->addWidget(privacy(
        QStringLiteral("internaldrive"),
        PlatformWords::forThisComputer(QStringLiteral(
            "地址、电话这些记忆只存在这台 Mac 上；开云端识别时，记忆的名字会作为识别提示发给 OpenAI。"))));
    layout->addWidget(privacy(QStringLiteral("waveform"),
                              QStringLiteral("说的话会交给 OpenAI 转成文字并整理，我们自己不存。")));
    layout->addWidget(privacy(QStringLiteral("text.cursor"),
                              QStringLiteral("打字递上记忆时，在本机读光标前几个字，不记录、不上传。")));
    QWidget* block = group(QStringLiteral("隐私"), nullptr, content);
    block->setObjectName(QStringLiteral("privacyGroup"));
    return block;
}

QWidget* SettingsPage::aboutGroup() {
    auto* content = new QWidget;
    auto* lines = Layouts::column(8, content);
    auto* line = new QWidget;
    lines->addWidget(line);
    auto* layout = Layouts::row(8, line);
    layout->addWidget(new BrandMark(28), 0, Qt::AlignVCenter);
    layout->addWidget(new Wordmark(15), 0, Qt::AlignVCenter);
    auto* version = new StyledLabel(
        QStringLiteral("电脑版 ") +
            BundleInfo::value(QStringLiteral("CFBundleShortVersionString")).value_or(QString()),
        12, QFont::Normal, StyledLabel::Style::secondary);
    version->setObjectName(QStringLiteral("version"));
    layout->addWidget(version, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    auto* welcome = new SoftButton(QStringLiteral("重新看新手引导"));
    welcome->setObjectName(QStringLiteral("restartWelcome"));
    connect(welcome, &QAbstractButton::clicked, this, [this] { model_.restartWelcome(); });
    layout->addWidget(welcome, 0, Qt::AlignVCenter);
    auto* log = new SoftButton(QStringLiteral("工作日志"));
    log->setObjectName(QStringLiteral("openLog"));
    // Without a program for it (a desktop with no file opener) the log's place is said instead.
    logNotOpened_ = new StyledLabel(QString(), 11.5, QFont::Normal, StyledLabel::Style::orange);
    logNotOpened_->setObjectName(QStringLiteral("logNotOpened"));
    logNotOpened_->setWordWrap(true);
    logNotOpened_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    logNotOpened_->hide();
    connect(log, &QAbstractButton::clicked, this, [this] {
        if (!openFile || openFile(AppLog::file())) return logNotOpened_->hide();
        sayLogNotOpened();
    });
    layout->addWidget(log, 0, Qt::AlignVCenter);
    lines->addWidget(logNotOpened_);
    QWidget* block = group(QStringLiteral("关于"), nullptr, content);
    block->setObjectName(QStringLiteral("aboutGroup"));
    return block;
}

void SettingsPage::sayLogNotOpened() {
    logNotOpened_->setText(PlatformWords::thisComputer() +
                           QStringLiteral("上没有能打开日志的程序（需要一个看文本文件的程序）。日志在：") +
                           AppLog::file());
    logNotOpened_->show();
    // The line sits at the foot of the page, under "关于": scroll to it, once the page's layout has placed
    // it, or a request made from elsewhere (the tray) seems to have done nothing.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    scroll_->ensureWidgetVisible(logNotOpened_);
}

void SettingsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    readBack();
}

void SettingsPage::showSaveFailure() {
    // The note comes in the turn after the flip whose write failed; showing it lays the page out at once,
    // its room taken from the foot of the view, where the flipped row may sit.
    if (isVisible()) scroll_->keepInSight(flipped_);
    mivora::showSaveFailure(*unsaved_, model_.environment().defaults.saveFailure(),
                            QStringLiteral("磁盘满了，设置还没存上：空出地方后，下次改设置或退出时会再存。"),
                            QStringLiteral("设置文件写不进去，设置还没存上：下次改设置或退出时会再试。"));
    unsavedRule_->setVisible(!unsaved_->isHidden());
    scroll_->keepInSight(nullptr);
}

void SettingsPage::remember(Switch* toggle) {
    connect(toggle, &Switch::flipped, this, [this, toggle] { flipped_ = toggle->parentWidget(); });
}

void SettingsPage::readBack() {
    if (SuggestController* suggest = model_.suggest()) {
        typing_->reflect(suggest->enabled());
        setMutedWords(suggest->mutedCount());
    }
    if (LoginItem* item = model_.environment().loginItem)
        login_->reflect(item->status() == LoginItem::Status::enabled);
}

void SettingsPage::refresh() {
    const AccountService* account = model_.account();
    account_->setVisible(account && account->configured());
    if (account) {
        accountSubtitle_->setVisible(!account->signedIn());
        accountSubtitle_->setText(PlatformWords::forThisComputer(
            AccountService::loginRequired()
                ? QStringLiteral("登录后才能用口述和「问」；记忆会在 iPhone 和 Mac 之间加密同步")
                : QStringLiteral("登录后记忆会在 iPhone 和 Mac 之间加密同步")));
    }
    const SetupModel& setup = model_.setup();
    permissionsSubtitle_->setText(setup.allSet() ? QStringLiteral("都打开了")
                                                 : QStringLiteral("开好一项会自动打勾"));
    cloudNotice_->setVisible(!setup.cloudReady());
    // A key chosen in the permission steps shows here too.
    followHotkey();
}

void SettingsPage::setLogin(bool on) {
    LoginItem* item = model_.environment().loginItem;
    try {
        if (on)
            item->registerItem();
        else
            item->unregisterItem();
        loginError_.reset();
    } catch (...) {
        loginError_ =
            QStringLiteral("系统没让设置：") +
            UserError::messageOf(std::current_exception()).value_or(QStringLiteral("出了点问题，稍后再试。"));
        login_->reflect(item->status() == LoginItem::Status::enabled);
    }
    loginMessage_->setText(loginError_.value_or(QString()));
    loginMessage_->setVisible(loginError_.has_value());
}

void SettingsPage::setMutedWords(qint64 count) {
    mutedWords_ = count;
    mutedText_->setText(
        QStringLiteral("有 %1 个词你连续没用，现在只在「邮箱：」「我的邮箱」这类明确说法时才递上")
            .arg(count));
    muted_->setVisible(count > 0);
}

} // namespace mivora
