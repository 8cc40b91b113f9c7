#include "MivoraUI/Kit/WindowVisible.h"

#include <QCoreApplication>
#include <QVariant>
#include <QWidget>

namespace mivora::WindowVisible {

namespace {
constexpr const char* property = "mivoraWindowVisible";
}

QEvent::Type changedEvent() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void set(QWidget* root, bool visible) {
    const QVariant old = root->property(property);
    root->setProperty(property, visible);
    if (old.isValid() && old.toBool() == visible) return;
    QList<QWidget*> targets{root};
    targets += root->findChildren<QWidget*>();
    for (QWidget* w : targets) {
        QEvent event(changedEvent());
        QCoreApplication::sendEvent(w, &event);
    }
}

bool of(const QWidget* view) {
    for (const QWidget* w = view; w; w = w->parentWidget()) {
        const QVariant v = w->property(property);
        if (v.isValid()) return v.toBool();
    }
    return true;
}

} // namespace mivora::WindowVisible
