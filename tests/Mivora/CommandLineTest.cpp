#include "CommandLine.h"

#include <gtest/gtest.h>

using namespace mivora;
using Kind = CommandLine::Launch::Kind;

namespace {
CommandLine::Launch launchOf(const QStringList& arguments) {
    return CommandLine(QStringList{"mivora"} + arguments).launch();
}
} // namespace

TEST(CommandLine, RenderThenTheFirstDiagnosticInOrderThenTheSelfTest) {
    EXPECT_EQ(launchOf({"-mictest", "-render", "/tmp/shots"}),
              (CommandLine::Launch{Kind::render, {}, "/tmp/shots"}));
    // The mode earlier in the list wins, whatever the order on the command line.
    EXPECT_EQ(launchOf({"-synctest", "-mictest"}), (CommandLine::Launch{Kind::diagnostic, "-mictest", {}}));
    EXPECT_EQ(launchOf({"-recognize", "take.wav", "-accounttest", "a.wav"}),
              (CommandLine::Launch{Kind::diagnostic, "-accounttest", "a.wav"}));
    EXPECT_EQ(launchOf({"-selftest", "cases.json", "-vaulttest"}),
              (CommandLine::Launch{Kind::diagnostic, "-vaulttest", {}}));
    EXPECT_EQ(launchOf({"-selftest", "a.json", "-selftest", "b.json"}),
              (CommandLine::Launch{Kind::selfTest, {}, "a.json"}));
    EXPECT_EQ(launchOf({}), CommandLine::Launch{});
}

TEST(CommandLine, ASwitchWithoutItsValueIsIgnored) {
    EXPECT_EQ(launchOf({"-synctest", "-accounttest"}),
              (CommandLine::Launch{Kind::diagnostic, "-synctest", {}}));
    EXPECT_EQ(launchOf({"-recognize"}), CommandLine::Launch{});
    EXPECT_EQ(launchOf({"-mictest", "-render"}), (CommandLine::Launch{Kind::diagnostic, "-mictest", {}}));
    EXPECT_EQ(launchOf({"-selftest"}), CommandLine::Launch{});
    // A value is whatever follows, another switch included.
    EXPECT_EQ(launchOf({"-recognize", "-synctest"}),
              (CommandLine::Launch{Kind::diagnostic, "-synctest", {}}));
}

TEST(CommandLine, TheSelfTestFileIsFoundFromTheProgramPathOn) {
    EXPECT_EQ(CommandLine(QStringList{"-selftest", "cases.json"}).launch(),
              (CommandLine::Launch{Kind::selfTest, {}, "cases.json"}));
}
