#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>

namespace mivora::test {

// Qt's warnings about a widget that paints wrongly: a second painter on one device, a painter used
// after it ended, saves and restores out of step. Qt only prints them, and the picture is wrong.
inline bool isPainterWarning(const QString& message) {
    static const QRegularExpression painting(
        QStringLiteral("(^|: )(QPainter|QPaintDevice|QPaintEngine|QWidget::paintEngine|QWidget::repaint|"
                       "QBackingStore)|painted by one painter|Painter not active|Unbalanced save/restore"));
    return painting.match(message).hasMatch();
}

// Reads a program's standard error line by line and fails the running test on each painter warning.
class PainterWarnings {
public:
    PainterWarnings() = default;
    PainterWarnings(const PainterWarnings&) = delete;
    PainterWarnings& operator=(const PainterWarnings&) = delete;
    ~PainterWarnings() { check(pending_); }

    void scan(const QByteArray& chunk) {
        pending_ += chunk;
        for (qsizetype end; (end = pending_.indexOf('\n')) >= 0; pending_.remove(0, end + 1))
            check(pending_.left(end));
    }

private:
    static void check(const QByteArray& line) {
        const QString text = QString::fromUtf8(line);
        if (isPainterWarning(text) && ::testing::UnitTest::GetInstance()->current_test_info())
            ADD_FAILURE() << "painter warning from the program: " << text.toStdString();
    }
    QByteArray pending_;
};

// Passes `process`'s standard error on to this process's, as forwarding it would, and fails the running
// test on each painter warning in it. Call before starting the process.
inline void forwardCheckingPainterWarnings(QProcess& process) {
    process.setProcessChannelMode(QProcess::SeparateChannels);
    auto warnings = std::make_shared<PainterWarnings>();
    const auto pass = [&process, warnings] {
        const QByteArray chunk = process.readAllStandardError();
        std::cerr << chunk.toStdString() << std::flush;
        warnings->scan(chunk);
    };
    QObject::connect(&process, &QProcess::readyReadStandardError, &process, pass);
    QObject::connect(&process, &QProcess::finished, &process, pass);
}

} // namespace mivora::test
