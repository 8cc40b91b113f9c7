// The file users start. Recognising a file from the command line runs here, in a process that loads only
// what that needs (the desktop program's libraries take longer to load than the recognition itself);
// every other start becomes the desktop program, in this same process.
#include "CommandLine.h"
#include "ExitLog.h"
#include "Modes/RecognizeMode.h"
#include "StartChecks.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

using namespace mivora;

namespace {

// The desktop program beside this launcher.
std::string desktopProgram() {
    std::string self(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
    self.resize(n > 0 ? std::size_t(n) : 0);
    return self.substr(0, self.rfind('/') + 1) + "mivora_desktop";
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine::Launch launch = CommandLine(argc, argv).launch();
    if (launch.kind == CommandLine::Launch::Kind::diagnostic && launch.mode == "-recognize") {
        ExitLog::install();
        if (const auto ended = runStartChecks(argc, argv, launcherPath())) return *ended;
        QCoreApplication app(argc, argv);
        nameApplication();
        return runRecognizeMode(*launch.path);
    }
    const std::string program = desktopProgram();
    execv(program.c_str(), argv);
    std::fprintf(stderr, "Mivora 没装完整，启动不了：%s（%s）\n", program.c_str(), std::strerror(errno));
    return 1;
}
