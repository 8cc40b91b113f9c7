#include "Support/QuietMessages.h"
#include "support/CapturedMessages.h"

#include <QThread>

#include <gtest/gtest.h>

using namespace mivora;

// Only this thread's messages with one of the texts go nowhere, through nested scopes; another thread's
// go on, and once the scopes end every message does.
TEST(QuietMessages, KeepsOnlyThisThreadsMessagesWithTheTextsQuietWhileItLives) {
    const test::CapturedMessages messages;
    {
        const QuietMessages outer({"secret"});
        {
            const QuietMessages inner({"size hints"});
            qWarning("a secret address");
            qWarning("no size hints here");
            qWarning("plain");
            QThread* other = QThread::create([] { qWarning("a secret of another thread"); });
            other->start();
            other->wait();
            delete other;
        }
        qWarning("size hints again");
        qWarning("the secret again");
    }
    qWarning("the secret at last");
    EXPECT_EQ(messages.said(),
              QStringList({"plain", "a secret of another thread", "size hints again", "the secret at last"}));
}
