#include "Dictation/AppLog.h"

#include "support/ScopedEnv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace mivora;

namespace {

// Each test logs into its own state folder.
class AppLogTest : public testing::Test {
protected:
    QByteArray logBytes() const {
        QFile f(AppLog::file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QList<QByteArray> lines() const {
        QList<QByteArray> out = logBytes().split('\n');
        if (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
        return out;
    }
    // Splits "stamp  message" and checks the stamp's shape.
    static QByteArray messageOf(const QByteArray& line) {
        static const QRegularExpression stamp("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}  ");
        const QString text = QString::fromUtf8(line.left(25));
        EXPECT_TRUE(stamp.match(text).hasMatch()) << line.toStdString();
        return line.mid(25);
    }

    QTemporaryDir root;
    QString state = root.filePath("state/nested");
    test::ScopedEnv env{"XDG_STATE_HOME", state.toUtf8()};
};

} // namespace

TEST_F(AppLogTest, FirstLineCreatesFolderAndFileWithExactBytes) {
    ASSERT_EQ(AppLog::dir(), state + "/Mivora");
    ASSERT_EQ(AppLog::file(), state + "/Mivora/mivora.log");
    ASSERT_FALSE(QFile::exists(state));

    test::ScopedEnv tz("TZ", "XYZ+5"); // local time five hours behind UTC
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    AppLog::write(QStringLiteral("开始听"));
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    AppLog::flush();

    const QByteArray content = logBytes();
    // 23-byte stamp, two blanks, the UTF-8 message, a line feed.
    ASSERT_EQ(content.size(), 23 + 2 + 9 + 1);
    EXPECT_EQ(content.mid(23), QByteArray("  \xE5\xBC\x80\xE5\xA7\x8B\xE5\x90\xAC\n"));
    EXPECT_EQ(messageOf(content.chopped(1)), QByteArray("\xE5\xBC\x80\xE5\xA7\x8B\xE5\x90\xAC"));

    // The stamp is local wall-clock time at the moment of the call.
    const QDateTime stamp =
        QDateTime::fromString(QString::fromLatin1(content.left(23)), "yyyy-MM-dd HH:mm:ss.zzz");
    ASSERT_TRUE(stamp.isValid());
    EXPECT_GE(stamp.toMSecsSinceEpoch(), before);
    EXPECT_LE(stamp.toMSecsSinceEpoch(), after);
}

TEST_F(AppLogTest, MessagesAreWrittenUnchangedInCallOrder) {
    AppLog::write("first");
    AppLog::write("two\nlines\n");
    AppLog::write("");
    AppLog::write(QStringLiteral("音量 100%  tabs\there"));
    for (int i = 0; i < 200; ++i)
        AppLog::write(QString("n%1").arg(i));
    AppLog::flush();

    const QList<QByteArray> all = lines();
    ASSERT_EQ(all.size(), 4 + 1 + 1 + 200);
    EXPECT_EQ(messageOf(all[0]), "first");
    EXPECT_EQ(messageOf(all[1]), "two");
    EXPECT_EQ(all[2], "lines");
    EXPECT_EQ(all[3], ""); // the message's own trailing line break
    EXPECT_EQ(messageOf(all[4]), "");
    EXPECT_EQ(messageOf(all[5]), QStringLiteral("音量 100%  tabs\there").toUtf8());
    QByteArray previous;
    for (int i = 0; i < 200; ++i) {
        const QByteArray& line = all[6 + i];
        EXPECT_EQ(messageOf(line), "n" + QByteArray::number(i));
        EXPECT_GE(line.left(23), previous); // stamps never go back in call order
        previous = line.left(23);
    }
}

TEST_F(AppLogTest, LinesFromSeveralThreadsNeverInterleave) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i)
                AppLog::write(QString("t%1 line %2 %3").arg(t).arg(i).arg(QString(50, QChar(u'字'))));
        });
    for (auto& th : threads)
        th.join();
    AppLog::flush();

    const QList<QByteArray> all = lines();
    ASSERT_EQ(all.size(), 400);
    std::vector<int> next(4, 0);
    const QRegularExpression shape("^t(\\d) line (\\d+) (字){50}$");
    for (const QByteArray& line : all) {
        const auto m = shape.match(QString::fromUtf8(messageOf(line)));
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        const int t = m.captured(1).toInt();
        EXPECT_EQ(m.captured(2).toInt(), next[size_t(t)]++); // each thread's lines stay in its order
    }
}

TEST_F(AppLogTest, AppendsToAnExistingLogWithoutTruncating) {
    ASSERT_TRUE(QDir().mkpath(AppLog::dir()));
    QFile f(AppLog::file());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("older line\n");
    f.close();

    AppLog::write("newer");
    AppLog::flush();
    const QList<QByteArray> all = lines();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0], "older line");
    EXPECT_EQ(messageOf(all[1]), "newer");
}

TEST_F(AppLogTest, AFileWhereTheFolderShouldBeLosesTheLineQuietly) {
    ASSERT_TRUE(QDir().mkpath(state));
    QFile blocker(AppLog::dir());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a folder");
    blocker.close();

    AppLog::write("lost");
    AppLog::flush();
    EXPECT_FALSE(QFile::exists(AppLog::file()));
    ASSERT_TRUE(blocker.open(QIODevice::ReadOnly));
    EXPECT_EQ(blocker.readAll(), "not a folder");
    EXPECT_EQ(QDir(state).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"Mivora"});

    // Logging works again once the obstacle is gone.
    blocker.remove();
    AppLog::write("back");
    AppLog::flush();
    ASSERT_EQ(lines().size(), 1);
    EXPECT_EQ(messageOf(lines()[0]), "back");
}
