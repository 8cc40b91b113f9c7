#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace mivora {

// The process's arguments and what they ask the launch to do. Argument 0, the program's path, asks for
// nothing (as for the launcher). A switch is present when any other argument equals it exactly; a switch's
// value is the argument after the first one equal to it, and a switch without a value counts as absent
// wherever a value is needed.
class CommandLine {
public:
    // `arguments` with the program path first, as the process has them.
    explicit CommandLine(const QStringList& arguments) : arguments_(arguments.mid(1)) {}
    CommandLine(int argc, char** argv);

    bool has(const QString& name) const { return arguments_.contains(name); }
    std::optional<QString> valueAfter(const QString& name) const;

    // What one launch does, decided in this order: render the screenshots, run a diagnostic mode (the
    // first of them in the list below that is present wins), run the self-test, or start normally.
    struct Launch {
        enum class Kind { render, diagnostic, selfTest, normal };
        Kind kind = Kind::normal;
        QString mode;                // diagnostic: the switch, e.g. "-mictest"
        std::optional<QString> path; // render: the folder; selfTest: the cases file; a mode's file
        bool operator==(const Launch&) const = default;
    };
    // The diagnostic switches in the order they win; "-accounttest" and "-recognize" need a file.
    static const QStringList& diagnostics();
    // Without the rename step, which sits between rendering and the modes and only the process can do.
    Launch rendering() const;
    Launch launch() const;

private:
    QStringList arguments_; // without the program path
};

} // namespace mivora
