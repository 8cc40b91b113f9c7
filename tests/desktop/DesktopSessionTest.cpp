#include <QFont>
#include <QGuiApplication>
#include <QProcess>
#include <QRawFont>

#include <gtest/gtest.h>

// The session the wrapper provides: an X display and a CJK font for the Chinese interface.
TEST(DesktopSession, HasDisplayAndChineseFont) {
    EXPECT_EQ(QGuiApplication::platformName(), "xcb");
    EXPECT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY"));
    EXPECT_TRUE(QRawFont::fromFont(QFont("Noto Sans CJK SC")).supportsCharacter(QChar(0x4F60)));
}
