// The loopback stand-in of the transcription API as a program of its own, so a benchmark measures the
// client without the server sharing its process: every transcription is answered at once with the text
// given as the first argument (every clean-up with the second, when given). Prints its root URL
// ("http://127.0.0.1:<port>/") on the first line and serves until it is ended.
#include "support/FakeOpenAI.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    mivora::test::FakeOpenAI server;
    using mivora::test::FakeOpenAI;
    server.respond("/v1/audio/transcriptions",
                   FakeOpenAI::transcription(args.value(1, QStringLiteral("你好"))));
    if (args.size() > 2) server.respond("/v1/chat/completions", FakeOpenAI::chat(args.value(2)));
    server.respond("/v1/models", {200, {}});
    QTextStream(stdout) << server.url("/").toString() << Qt::endl;
    return app.exec();
}
