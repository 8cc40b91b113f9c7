#include "MivoraUI/Settings/HotkeyChange.h"

#include "Dictation/SetupModel.h"
#include "MivoraUI/Kit/Layouts.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Steps/HotkeyCapture.h"
#include "Platform/KeySource.h"
#include "Platform/Platform.h"
#include "Support/Defaults.h"

namespace mivora {

HotkeyChange::HotkeyChange(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model),
      capture_(new HotkeyCapture(*this, model.environment().platform.keyboard())),
      prompt_(new StyledLabel(QString(), 12, QFont::Normal, StyledLabel::Style::secondary)),
      button_(new SoftButton(QStringLiteral("换一个键"))) {
    prompt_->setObjectName(QStringLiteral("hotkeyPrompt"));
    prompt_->setWordWrap(true);
    button_->setObjectName(QStringLiteral("changeHotkey"));
    auto* row = Layouts::row(12, this);
    row->addWidget(prompt_, 1);
    row->addWidget(button_, 0, Qt::AlignVCenter);
    connect(button_, &QAbstractButton::clicked, this, [this] {
        if (capture_->waiting()) return;
        capture_->start();
        refresh();
    });
    connect(capture_, &HotkeyCapture::chosen, this, &HotkeyChange::chosen);
    // A key chosen elsewhere (the permission steps) shows here as well.
    connect(&model_.setup(), &SetupModel::fnFreeChanged, this, &HotkeyChange::refresh);
    connect(capture_, &HotkeyCapture::cancelled, this, &HotkeyChange::refresh);
    connect(capture_, &HotkeyCapture::refused, this, &HotkeyChange::refresh);
    refresh();
}

HotkeyChange::~HotkeyChange() {
    // A wait still running gives the keyboard back now: left to the widget's own end, it would end when the
    // window hides on its way out and report to this object, already gone by then.
    capture_->stop();
}

bool HotkeyChange::waiting() const {
    return capture_->waiting();
}

QString HotkeyChange::prompt() const {
    return prompt_->text();
}

void HotkeyChange::refresh() {
    const QString key = model_.hotkeyName();
    if (capture_->waiting())
        prompt_->setText(capture_->waitingText(key));
    else
        prompt_->setText(QStringLiteral("按住说话的键：") + key);
    button_->setText(capture_->waiting() ? QStringLiteral("请按键…") : QStringLiteral("换一个键"));
    button_->updateGeometry();
}

void HotkeyChange::chosen(const QString& keyName) {
    model_.environment().defaults.setValue(QString::fromLatin1(KeySource::fnKeySetting), keyName);
    // The new key must exist and be free as well; the setup model asks the desktop again, and the
    // permission steps and the footer follow it.
    model_.setup().refresh();
    refresh();
    emit changed();
}

} // namespace mivora
