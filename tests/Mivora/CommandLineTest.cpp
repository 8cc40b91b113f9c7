#include "CommandLine.h"

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
