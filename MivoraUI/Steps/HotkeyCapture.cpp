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
    owner_.installEventFilter(this);
    owner_.grabKeyboard();
}

void HotkeyCapture::stop() {
    if (!waiting_) return;
    waiting_ = false;
    owner_.removeEventFilter(this);
    owner_.releaseKeyboard();
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
    const QString name = keyboard_.keyName(key->nativeVirtualKey());
    if (name.isEmpty()) {
        emit unnamed();
        return true;
    }
    stop();
    emit chosen(name);
    return true;
}

} // namespace mivora
