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
    case PasteKeys::controlY:
        return QStringLiteral("Ctrl+Y");
    case PasteKeys::menuOnly:
    case PasteKeys::controlV:
        break;
    }
    return QStringLiteral("Ctrl+V");
}

QString pasteWith(PasteKeys keys) {
    if (keys == PasteKeys::menuOnly) return QStringLiteral("用菜单「编辑 › 粘贴」");
    return QStringLiteral("按 ") + pasteShortcut(keys) + QLatin1Char(' ');
}

QString settingsApp() {
    return QStringLiteral("设置");
}

QString accessibilitySwitch() {
    // GNOME's toolkit-accessibility, "启用辅助技术" in Xfce and MATE: the same setting by its common name.
    return QStringLiteral("「辅助技术」开关");
}

QString thisComputer() {
    return QStringLiteral("这台电脑");
}

QString onThisComputer() {
    return thisComputer() + QStringLiteral("上");
}

QString forThisComputer(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("这台 Mac 上"), onThisComputer());
    out.replace(QStringLiteral("这台 Mac"), thisComputer());
    out.replace(QStringLiteral("和 Mac 之间"),
                QStringLiteral("和") + thisComputer() + QStringLiteral("之间"));
    return out;
}

QString keyring() {
    return QStringLiteral("密钥环（Secret Service）");
}

QString recoveryCodeNote() {
    return QStringLiteral("记忆加密后才上传，我们也看不到。密钥只存在") + thisComputer() +
           QStringLiteral("的密钥环（Secret Service）里，别的设备不会自动拿到；换了别的设备，"
                          "要用这串恢复码。它只显示这一次，丢了就只能清空云端重来。");
}

QString enterCodeNote() {
    return QStringLiteral("你在另一台设备上开过同步。密钥不会自动传到") + thisComputer() +
           QStringLiteral("，要输入当时存下的 26 位恢复码；输好以后，密钥存在") + thisComputer() +
           QStringLiteral("的密钥环（Secret Service）里。");
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
