#include "Platform/Linux/SessionInputMethods.h"

#include <gtest/gtest.h>

using namespace mivora;

namespace {

QByteArray environment(std::initializer_list<const char*> entries) {
    QByteArray out;
    for (const char* entry : entries)
        out += QByteArray(entry) + '\0';
    return out;
}

} // namespace

// A toolkit's own input method setting decides for it; the X one only where no toolkit has one; anything
// naming neither ibus nor fcitx (the toolkit's own composing) is none.
TEST(SessionInputMethodsTest, TheFrameworkIsTheOneTheToolkitSettingsName) {
    EXPECT_EQ(SessionInputMethods::framework(environment({"HOME=/x", "GTK_IM_MODULE=ibus"})), "ibus");
    EXPECT_EQ(SessionInputMethods::framework(environment({"QT_IM_MODULE=fcitx5"})), "fcitx");
    EXPECT_EQ(SessionInputMethods::framework(environment({"XMODIFIERS=@im=fcitx"})), "fcitx");
    EXPECT_EQ(SessionInputMethods::framework(
                  environment({"GTK_IM_MODULE=gtk-im-context-simple", "XMODIFIERS=@im=ibus"})),
              "");
    EXPECT_EQ(SessionInputMethods::framework(environment({"GTK_IM_MODULE=xim", "QT_IM_MODULE=ibus"})),
              "ibus");
    EXPECT_EQ(SessionInputMethods::framework(environment({"XMODIFIERS=ibus", "PATH=/usr/bin"})), "");
    EXPECT_EQ(SessionInputMethods::framework({}), "");
}
