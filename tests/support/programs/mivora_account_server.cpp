// The loopback account server as a program, for the diagnostic modes: prints its root URL (what a relay
// setting names) and serves until it is ended. "--upstream <url>" forwards relay requests there;
// "--review <email> <code>" adds an account whose code is always <code>.
#include "support/FakeAccountServer.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace mivora;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto after = [&](const QString& option, int n = 1) {
        const qsizetype i = args.indexOf(option);
        return i >= 0 && i + n < args.size() ? args.mid(i + 1, n) : QStringList();
    };
    SystemClock clock;
    const QStringList upstream = after("--upstream");
    test::FakeAccountServer server(clock, upstream.isEmpty() ? QUrl() : QUrl(upstream[0]));
    if (const QStringList review = after("--review", 2); !review.isEmpty())
        server.addReviewAccount(review[0], review[1]);
    QTextStream(stdout) << server.url().toString() << Qt::endl;
    return app.exec();
}
