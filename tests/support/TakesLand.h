#pragma once

#include "support/ChildProcess.h"
#include "support/RelayProgram.h"

#include <QString>

#include <gtest/gtest.h>

#include <functional>

// Brings Xlib, whose macros clash with Qt and GoogleTest names: include this last.
#include "support/DesktopInput.h"

namespace mivora::test {

// Takes of the real program spoken one after another into the application in front, each after a copy the
// user made in another program: each lands after `expected` (the application's text as `received` reads
// it), and the user's copy is on the clipboard again after it.
inline ::testing::AssertionResult takesLand(RelayProgram& relay, int count, const QString& words,
                                            QString& expected, const std::function<QString()>& received) {
    const auto log = [&] { return relay.log().join('\n').toStdString(); };
    for (int take = 1; take <= count; ++take) {
        const QString copied = QStringLiteral("之前复制的 %1").arg(take);
        ChildProcess owner;
        if (!copyInAnotherProgram(owner, copied))
            return ::testing::AssertionFailure() << "take " << take << ": no copy in another program";
        const qsizetype started = relay.log().filter("开始听").size();
        if (!holdHotkeyAndSpeak({}, [&] { return relay.log().filter("开始听").size() > started; }))
            return ::testing::AssertionFailure() << "take " << take << ": no take\n" << log();
        expected += words;
        if (!waitUntil([&] { return received() == expected; }, desktopDeadlineMs))
            return ::testing::AssertionFailure()
                   << "take " << take << " received: " << received().toStdString() << "\n"
                   << log();
        if (!waitUntil([&] { return clipboardAs("UTF8_STRING") == copied.toUtf8(); }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << "take " << take << ": the user's copy did not come back";
    }
    return ::testing::AssertionSuccess();
}

} // namespace mivora::test
