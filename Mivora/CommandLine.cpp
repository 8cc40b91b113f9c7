#include "CommandLine.h"

#include "Launcher/Arguments.h"

namespace mivora {

CommandLine::CommandLine(int argc, char** argv) {
    for (const char* argument : askedArguments(argc, argv))
        arguments_ << QString::fromLocal8Bit(argument);
}

std::optional<QString> CommandLine::valueAfter(const QString& name) const {
    const qsizetype at = arguments_.indexOf(name);
    if (at < 0 || at + 1 >= arguments_.size()) return std::nullopt;
    return arguments_[at + 1];
}

const QStringList& CommandLine::diagnostics() {
    static const QStringList modes = {"-mictest",  "-vaulttest",   "-appletest",
                                      "-synctest", "-accounttest", "-recognize"};
    return modes;
}

CommandLine::Launch CommandLine::rendering() const {
    if (const auto folder = valueAfter("-render")) return {Launch::Kind::render, {}, folder};
    return {};
}

CommandLine::Launch CommandLine::launch() const {
    if (const Launch render = rendering(); render.kind == Launch::Kind::render) return render;
    for (const QString& mode : diagnostics()) {
        if (mode == "-accounttest" || mode == "-recognize") {
            if (const auto file = valueAfter(mode)) return {Launch::Kind::diagnostic, mode, file};
        } else if (has(mode)) {
            return {Launch::Kind::diagnostic, mode, std::nullopt};
        }
    }
    if (const auto cases = valueAfter("-selftest")) return {Launch::Kind::selfTest, {}, cases};
    return {};
}

} // namespace mivora
