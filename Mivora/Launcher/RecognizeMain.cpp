// The command-line recogniser: what `mivora -recognize <file>` runs. Whether the arguments really ask for
// it is the command line's own rule (a file must follow, and other modes come first); any other start
// goes on to the desktop program.
#include "CommandLine.h"
#include "ExecBeside.h"
#include "ExitLog.h"
#include "Modes/RecognizeMode.h"
#include "StartChecks.h"

#include <QCoreApplication>

using namespace mivora;

int main(int argc, char** argv) {
    const CommandLine::Launch launch = CommandLine(argc, argv).launch();
    if (launch.kind != CommandLine::Launch::Kind::diagnostic || launch.mode != "-recognize")
        return execBeside("mivora_desktop", argv);
    ExitLog::install();
    if (const auto ended = runStartChecks(argc, argv, launcherPath())) return *ended;
    QCoreApplication app(argc, argv);
    nameApplication();
    return runRecognizeMode(*launch.path);
}
