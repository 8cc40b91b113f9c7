#pragma once

#include <QStringList>
#include <QtGlobal>

namespace mivora {

// While it lives, Qt's messages of this thread that contain one of `texts` go nowhere: what Qt prints in
// passing about a call of ours where the program says what matters itself (the whole sign-in address,
// state and challenge included, when no browser opens it) or there is nothing to say (the offscreen desktop
// cannot hint window sizes). Every other message, and any message of another thread, goes on to the
// handler that was there before. Scopes nest, on the thread that made them.
class QuietMessages {
public:
    explicit QuietMessages(QStringList texts);
    ~QuietMessages();
    Q_DISABLE_COPY_MOVE(QuietMessages)

private:
    static void screen(QtMsgType type, const QMessageLogContext& context, const QString& message);
    bool quiets(const QString& message) const;

    QStringList texts_;
    QuietMessages* outer_;
};

} // namespace mivora
