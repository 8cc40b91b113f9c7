#include "MivoraUI/Steps/PermissionSteps.h"

#include "Dictation/Permissions.h"
#include "Dictation/SetupModel.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Steps/HotkeyCapture.h"
#include "MivoraUI/Steps/StepRow.h"
#include "Platform/KeySource.h"
#include "Platform/Platform.h"
#include "Platform/PlatformWords.h"
#include "Support/Defaults.h"

#include <QPointer>
#include <QVBoxLayout>

namespace mivora {

namespace {
// Asks for the microphone and refreshes the setup model as soon as the answer is there, so the row is
// ticked off without waiting for the next poll. The setup model outlives every view.
QCoro::Task<> askForMicrophone(Permissions& permissions, SetupModel& setup) {
    try {
        co_await permissions.requestMic();
    } catch (...) {
        // Never fails by contract; a detached task must not lose an exception into Qt.
    }
    setup.refresh();
}
} // namespace

PermissionSteps::PermissionSteps(SetupModel& setup, Permissions& permissions, Defaults& defaults,
                                 KeyboardProbe& keyboard, QWidget* parent)
    : QWidget(parent), setup_(setup), permissions_(permissions), defaults_(defaults),
      capture_(new HotkeyCapture(*this, keyboard)), shownRemaining_(setup.remaining()) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    for (int i = 0; i < 3; ++i) {
        rows_[i] = new StepRow({}, this);
        rows_[i]->setObjectName(QStringLiteral("step%1").arg(i + 1));
        column->addWidget(rows_[i]);
    }
    for (auto changed : {&SetupModel::micChanged, &SetupModel::accessibilityChanged})
        connect(&setup_, changed, this, &PermissionSteps::refresh);
    connect(&setup_, &SetupModel::fnFreeChanged, this, [this] {
        hotkeyUsage_ = setup_.fnFree() ? std::optional(0) : permissions_.fnUsage();
        refresh();
    });
    connect(capture_, &HotkeyCapture::chosen, this, &PermissionSteps::hotkeyChosen);
    connect(capture_, &HotkeyCapture::cancelled, this, &PermissionSteps::refresh);
    connect(capture_, &HotkeyCapture::refused, this, &PermissionSteps::refresh);
    if (!setup_.fnFree()) hotkeyUsage_ = permissions_.fnUsage();
    refresh();
}

PermissionSteps::PermissionSteps(AppModel& model, QWidget* parent)
    : PermissionSteps(model.setup(), model.environment().permissions, model.environment().defaults,
                      model.environment().platform.keyboard(), parent) {}

PermissionSteps::~PermissionSteps() {
    // Steps that go away while waiting for a key give the keyboard back now: the wait would otherwise end
    // when the widget is hidden on its way out, and report to a view that no longer exists.
    capture_->stop();
}

int PermissionSteps::active() const {
    if (!setup_.mic()) return 1;
    if (!setup_.accessibility()) return 2;
    if (!setup_.fnFree()) return 3;
    return 0;
}

bool PermissionSteps::choosingHotkey() const {
    return capture_->waiting();
}

void PermissionSteps::refresh() {
    const QString key = PlatformWords::hotkeyName(defaults_);
    const int now = active();
    const bool stepsChanged = setup_.remaining() != shownRemaining_;
    shownRemaining_ = setup_.remaining();
    const StepRow::Motion motion = !stepsChanged                 ? StepRow::Motion::none
                                   : UI::reduceMotion(defaults_) ? StepRow::Motion::fade
                                                                 : StepRow::Motion::spring;
    rows_[0]->setFields({1, setup_.mic(), now == 1, QStringLiteral("麦克风"),
                         QStringLiteral("用来听你说的话。只在按住 ") + key + QStringLiteral(" 时打开。"),
                         QStringLiteral("允许"), PermissionHint::Kind::mic, [this] { requestMic(); }},
                        motion);
    rows_[1]->setFields({2, setup_.accessibility(), now == 2, QStringLiteral("辅助功能"),
                         QStringLiteral("用来识别 ") + key + QStringLiteral(" 键，并把文字填到光标处。在") +
                             PlatformWords::settingsApp() + QStringLiteral("里打开") +
                             PlatformWords::accessibilitySwitch() + QStringLiteral("。"),
                         QStringLiteral("去打开"), PermissionHint::Kind::accessibility,
                         [this] { permissions_.requestAccessibility(); }},
                        motion);
    const bool choosing = capture_->waiting();
    rows_[2]->setFields({3, setup_.fnFree() && !choosing, now == 3 || choosing, key + QStringLiteral(" 键"),
                         hotkeyDetail(), choosing ? QStringLiteral("请按键…") : QStringLiteral("换一个键"),
                         PermissionHint::Kind::fn,
                         [this] {
                             if (capture_->waiting()) return;
                             capture_->start();
                             refresh();
                         }},
                        motion);
}

QString PermissionSteps::hotkeyDetail() const {
    const QString key = PlatformWords::hotkeyName(defaults_);
    if (capture_->waiting()) return capture_->waitingText(key);
    if (setup_.fnFree())
        return QStringLiteral("按住 ") + key +
               QStringLiteral(" 说话：键盘上有这个键，也没有别的程序占用它。");
    if (!hotkeyUsage_)
        return QStringLiteral("键盘上没有 ") + key +
               QStringLiteral("。点「换一个键」，按一下你想按住说话的键。");
    if (*hotkeyUsage_ == 1)
        return key +
               QStringLiteral(" 被别的程序占作快捷键了。点「换一个键」换一个，或者在那个程序里把它让出来。");
    return QStringLiteral("按住 ") + key +
           QStringLiteral(" 说话。这个键要在键盘上有，而且没有被别的程序占用。");
}

void PermissionSteps::requestMic() {
    askForMicrophone(permissions_, setup_);
}

void PermissionSteps::hotkeyChosen(const QString& keyName) {
    defaults_.setValue(QString::fromLatin1(KeySource::fnKeySetting), keyName);
    // The new key must exist and be free as well; the setup model asks the desktop again.
    setup_.refresh();
    refresh();
}

} // namespace mivora
