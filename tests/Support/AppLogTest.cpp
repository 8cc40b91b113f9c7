#include "Support/AppLog.h"

#include "support/ScopedEnv.h"
#include "support/ScopedUmask.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mivora;

namespace {

QByteArray logBytes() {
    AppLog::flush();
    QFile f(AppLog::file());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The log's lines without their stamps.
QStringList messages() {
    static const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  ");
    QStringList out = QString::fromUtf8(logBytes()).split('\n');
    EXPECT_EQ(out.takeLast(), ""); // every line ends in a line feed
    for (QString& line : out)
        line.remove(stamp);
    return out;
}

} // namespace

// A file where the folder should be loses the line quietly; then lines append with a local stamp, two blanks
// and the message unchanged, in call order.
TEST(AppLog, AppendsLocalStampTwoBlanksAndTheMessageUnchangedInCallOrder) {
    QTemporaryDir root;
    const QString state = root.filePath("state/nested");
    const test::ScopedEnv env{"XDG_STATE_HOME", state.toUtf8()};
    ASSERT_TRUE(QDir().mkpath(state));
    ASSERT_TRUE(QFile(AppLog::dir()).open(QIODevice::WriteOnly));
    AppLog::write("lost");
    EXPECT_TRUE(logBytes().isEmpty());
    QFile::remove(AppLog::dir()); // logging works again once the obstacle is gone
    ASSERT_TRUE(QDir().mkpath(state + "/Mivora"));
    QFile f(state + "/Mivora/mivora.log");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("older\n") == 6);
    f.close();

    test::ScopedEnv tz("TZ", "XYZ+5"); // local time five hours behind UTC
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    AppLog::write(QStringLiteral("开始听"));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    for (const char* m : {"two\nlines", "", "音量 100%  tabs\there"})
        AppLog::write(QString::fromUtf8(m));

    const QByteArray line = logBytes().split('\n')[1];
    const qint64 stamp = QDateTime::fromString(QString::fromLatin1(line.left(23)), "yyyy-MM-dd HH:mm:ss.zzz")
                             .toMSecsSinceEpoch();
    EXPECT_TRUE(before <= stamp && stamp <= after) << line.toStdString();
    EXPECT_EQ(messages(), (QStringList{"older", "开始听", "two", "lines", "", "音量 100%  tabs\there"}));
}

// What was dictated and recalled shows in the log: under the usual umask the folders it makes, from the first
// one missing down, are 0700 and the file 0600.
TEST(AppLog, MakesItsFoldersAndFileForTheUserAlone) {
    const test::ScopedUmask umask(022);
    QTemporaryDir root;
    const test::ScopedEnv env{"XDG_STATE_HOME", root.filePath("state/nested").toUtf8()};
    AppLog::write("first");
    EXPECT_EQ(messages(), QStringList{"first"});
    EXPECT_EQ(test::notPrivate(root.filePath("state")), "");
}
