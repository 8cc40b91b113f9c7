#include "CommandLine.h"
#include "Launcher/Arguments.h"

#include <gtest/gtest.h>

using namespace mivora;
using Launch = CommandLine::Launch;
using Kind = Launch::Kind;

// Render wins, then the diagnostic earliest in the program's list whatever the order typed, then the first
// self-test; a switch without its value is ignored, and a value is whatever follows, another switch too.
TEST(CommandLine, PicksOneLaunchFromTheArguments) {
    const std::pair<QStringList, Launch> cases[] = {
        {{"-mictest", "-render", "/tmp/shots"}, {Kind::render, {}, "/tmp/shots"}},
        {{"-synctest", "-mictest"}, {Kind::diagnostic, "-mictest", {}}},
        {{"-recognize", "take.wav", "-accounttest", "a.wav"}, {Kind::diagnostic, "-accounttest", "a.wav"}},
        {{"-selftest", "cases.json", "-vaulttest"}, {Kind::diagnostic, "-vaulttest", {}}},
        {{"-selftest", "a.json", "-selftest", "b.json"}, {Kind::selfTest, {}, "a.json"}},
        {{"-synctest", "-accounttest"}, {Kind::diagnostic, "-synctest", {}}},
        {{"-recognize", "-synctest"}, {Kind::diagnostic, "-synctest", {}}},
        {{"-selftest"}, {}},
    };
    for (const auto& [arguments, launch] : cases)
        EXPECT_EQ(CommandLine(QStringList{"mivora"} + arguments).launch(), launch)
            << arguments.join(' ').toStdString();
}

// Argument 0 only names the program, for the launcher and the programs it becomes alike: a start whose
// program name reads "-recognize" or "-render" (exec -a) asks for what its other arguments ask.
TEST(CommandLine, ArgumentZeroAsksForNothing) {
    char name[] = "-recognize", file[] = "take.wav";
    char* argv[] = {name, file, nullptr};
    EXPECT_EQ(CommandLine(2, argv).launch(), Launch{});
    const auto asked = askedArguments(2, argv);
    EXPECT_EQ(std::vector<char*>(asked.begin(), asked.end()), std::vector<char*>{file});
    EXPECT_TRUE(askedArguments(1, argv).empty());
    EXPECT_EQ(CommandLine(QStringList{"-render", "-recognize", "take.wav"}).launch(),
              (Launch{Kind::diagnostic, "-recognize", "take.wav"}));
}
