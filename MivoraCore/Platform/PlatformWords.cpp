#include "Platform/PlatformWords.h"

#include "Platform/KeySource.h"

#include <QHash>

namespace mivora::PlatformWords {

QString pasteShortcut(PasteKeys keys) {
    switch (keys) {
    case PasteKeys::controlShiftV:
        return QStringLiteral("Ctrl+Shift+V");
    case PasteKeys::shiftInsert:
        return QStringLiteral("Shift+Insert");
    case PasteKeys::controlV:
        break;
    }
    return QStringLiteral("Ctrl+V");
}

QString settingsApp() {
    return QStringLiteral("设置");
}

QString thisComputer() {
    return QStringLiteral("这台电脑");
}

QString statusIcon() {
    return QStringLiteral("托盘图标");
}

QString hotkeyName(const QString& keyName) {
    static const QHash<QString, QString> names = {
        {"Control_R", "右 Ctrl"}, {"Control_L", "左 Ctrl"}, {"Alt_R", "右 Alt"},
        {"Alt_L", "左 Alt"},      {"Super_R", "右 Win"},    {"Super_L", "左 Win"},
        {"Shift_R", "右 Shift"},  {"Shift_L", "左 Shift"},  {"ISO_Level3_Shift", "AltGr"},
        {"Menu", "菜单键"},       {"XF86Fn", "Fn"},
    };
    return names.value(keyName, keyName);
}

QString hotkeyName(const Defaults& defaults) {
    return hotkeyName(KeySource::fnKeyName(defaults));
}

QString keyCap(const QString& label) {
    static const QHash<QString, QString> caps = {
        {"shift", "Shift"}, {"tab", "Tab"}, {"esc", "Esc"}, {"space", "空格"}, {"fn", "Fn"},
    };
    return caps.value(label, label);
}

} // namespace mivora::PlatformWords
