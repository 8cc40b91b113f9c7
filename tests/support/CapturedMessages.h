#pragma once

#include <QMutex>
#include <QStringList>

namespace mivora::test {

// Qt's messages, any thread's, while it lives: kept here instead of going on to stderr.
class CapturedMessages {
public:
    CapturedMessages() { previous_ = qInstallMessageHandler(keep); }
    ~CapturedMessages() {
        qInstallMessageHandler(previous_);
        const QMutexLocker lock(&mutex());
        kept().clear();
    }
    CapturedMessages(const CapturedMessages&) = delete;
    CapturedMessages& operator=(const CapturedMessages&) = delete;

    QStringList said() const {
        const QMutexLocker lock(&mutex());
        return kept();
    }

private:
    static QMutex& mutex() {
        static QMutex m;
        return m;
    }
    static QStringList& kept() {
        static QStringList list;
        return list;
    }
    static void keep(QtMsgType, const QMessageLogContext&, const QString& message) {
        const QMutexLocker lock(&mutex());
        kept() << message;
    }

    QtMessageHandler previous_;
};

} // namespace mivora::test
