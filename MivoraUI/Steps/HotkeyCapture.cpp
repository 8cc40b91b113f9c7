#include "MivoraUI/Steps/HotkeyCapture.h"

#include "Platform/KeyboardProbe.h"

#include <QKeyEvent>

namespace mivora {

HotkeyCapture::HotkeyCapture(QWidget& owner, KeyboardProbe& keyboard)
    : QObject(&owner), owner_(owner), keyboard_(keyboard) {}

HotkeyCapture::~HotkeyCapture() {
    stop();
}

void HotkeyCapture::start() {
    if (waiting_) return;
    waiting_ = true;
    refusal_.clear();
    owner_.installEventFilter(this);
    owner_.grabKeyboard();
}

void HotkeyCapture::stop() {
    if (!waiting_) return;
    waiting_ = false;
    owner_.removeEventFilter(this);
    owner_.releaseKeyboard();
}

QString HotkeyCapture::waitingText(const QString& currentKey) const {
    return refusal_ + QStringLiteral("现在按一下你想按住说话的键；按 Esc 保留 ") + currentKey +
           QStringLiteral("。");
}

bool HotkeyCapture::typesText(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return true;
    default:
        break;
    }
    // Letters, digits and punctuation of the Latin-1 range, whatever modifier changed their text.
    if (event.key() > Qt::Key_Space && event.key() <= Qt::Key_ydiaeresis) return true;
    // Accents typed before their letter.
    if (event.key() >= Qt::Key_Dead_Grave && event.key() <= Qt::Key_Dead_Longsolidusoverlay) return true;
    // Any other key with a character of its own (keypad digits, letters of other scripts).
    const QString text = event.text();
    return !text.isEmpty() && text.at(0).isPrint();
}

bool HotkeyCapture::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &owner_ || !waiting_) return false;
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::ShortcutOverride) return true;
    if (event->type() == QEvent::Hide) {
        stop();
        emit cancelled();
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat()) return true;
    if (key->key() == Qt::Key_Escape) {
        stop();
        emit cancelled();
        return true;
    }
    if (typesText(*key)) {
        refusal_ = QStringLiteral("这个键用来打字，不能当按住说话的键，换一个试试。");
        emit refused();
        return true;
    }
    const QString name = keyboard_.keyName(key->nativeVirtualKey());
    if (name.isEmpty()) {
        refusal_ = QStringLiteral("这个键认不出来，换一个试试。");
        emit refused();
        return true;
    }
    // A key that types only in another state of Num Lock or Shift (keypad 1 is End with Num Lock off).
    if (keyboard_.typesText(name)) {
        refusal_ = QStringLiteral("这个键用来打字，不能当按住说话的键，换一个试试。");
        emit refused();
        return true;
    }
    stop();
    emit chosen(name);
    return true;
}

} // namespace mivora
