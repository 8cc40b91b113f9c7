// The two desktop entries the program writes (launch at login, the sign-in callback), for any program path,
// read back by GLib the way its launcher reads them: the key file, the first argument it looks up before it
// expands field codes, and the command line after expansion, where the shell hand-over (if any) is followed
// to the program. Each must name the path byte for byte, the program's own reader must agree, and no line may
// carry a control character. A path no entry can carry is refused by both writers.
// GLib's headers come before Qt's, whose keyword macros ("signals") would clash with them.
#include <glib.h>

#include "Platform/Linux/AutostartLoginItem.h"
#include "Platform/Linux/DesktopEntry.h"
#include "RoundTrip.h"
#include "SchemeHandlerEntry.h"

#include <QStringList>

#include <optional>

using namespace mivora;
using fuzz::require;

namespace {

const QByteArray uri = "veskel://auth?code=a%20b%25&state='x\"$y`";

// The command line as GLib's launcher builds it: field codes expanded on the raw text ("%%" a percent sign,
// "%u" the URL quoted for the shell, any other code nothing), then split by the shell's rules.
std::optional<QList<QByteArray>> expanded(const QByteArray& exec, bool withUri) {
    QByteArray line;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] != '%' || i + 1 == exec.size()) {
            line += exec[i];
            continue;
        }
        const char code = exec[++i];
        if (code == '%') {
            line += '%';
        } else if (code == 'u' && withUri) {
            char* quoted = g_shell_quote(uri.constData());
            line += quoted;
            g_free(quoted);
        }
    }
    int argc = 0;
    char** argv = nullptr;
    if (!g_shell_parse_argv(line.constData(), &argc, &argv, nullptr)) return std::nullopt;
    QList<QByteArray> words;
    for (int i = 0; i < argc; ++i)
        words << argv[i];
    g_strfreev(argv);
    return words;
}

// The first argument as GLib looks it up, before any expansion.
QByteArray lookedUp(const QByteArray& exec) {
    int argc = 0;
    char** argv = nullptr;
    if (!g_shell_parse_argv(exec.constData(), &argc, &argv, nullptr)) return {};
    QByteArray first = argv[0];
    g_strfreev(argv);
    return first;
}

void check(const QByteArray& entry, const QString& program, bool withUri) {
    const QByteArray path = program.toUtf8();
    for (const char c : entry)
        require(c == '\n' || (uchar(c) >= 0x20 && c != 0x7f), "a control character in a line", entry);

    GKeyFile* file = g_key_file_new();
    const bool loaded =
        g_key_file_load_from_data(file, entry.constData(), gsize(entry.size()), G_KEY_FILE_NONE, nullptr);
    require(loaded, "GLib cannot read the entry", entry);
    GError* error = nullptr;
    char* execText = g_key_file_get_string(file, "Desktop Entry", "Exec", &error);
    require(execText != nullptr && error == nullptr, "GLib cannot read Exec", entry);
    char* rawText = g_key_file_get_value(file, "Desktop Entry", "Exec", nullptr);
    const QByteArray exec = execText, raw = rawText;
    g_free(execText);
    g_free(rawText);
    g_key_file_free(file);

    const bool handedOver = program.contains('%');
    require(lookedUp(exec) == (handedOver ? QByteArray("/bin/sh") : path), "GLib looks up another program",
            entry);
    const std::optional<QList<QByteArray>> words = expanded(exec, withUri);
    require(words.has_value(), "GLib cannot split the command line", entry);
    QList<QByteArray> started = *words;
    if (handedOver) {
        // sh -c 'exec "$0" "$@"' <program> <arguments>: the program with the arguments after it.
        require(started.size() >= 4 && started[1] == "-c" && started[2] == "exec \"$0\" \"$@\"",
                "not the hand-over", entry);
        started = started.mid(3);
    }
    QList<QByteArray> wanted{path};
    if (withUri) wanted << uri;
    require(started == wanted, "GLib starts another command", entry);
    require(DesktopEntry::program(QString::fromUtf8(raw)) == program, "the program's reader disagrees",
            entry);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString program = QString::fromUtf8(fuzz::bytes(data, size));
    const bool carriable = std::all_of(program.begin(), program.end(), [](QChar c) {
        return c == '\t' || c == '\n' || c == '\r' || (c.unicode() >= 0x20 && c.unicode() != 0x7f);
    });

    std::optional<QByteArray> autostart;
    try {
        autostart = AutostartLoginItem::contents(program);
    } catch (const LoginItem::Failure&) {
    }
    const std::optional<QByteArray> signIn = SchemeHandlerEntry::contents(program);
    require(autostart.has_value() == carriable && signIn.has_value() == carriable, "a wrong refusal",
            program.toUtf8());
    if (!carriable) return 0;
    check(*autostart, program, false);
    require(AutostartLoginItem::program(*autostart) == program, "the switch reads another program",
            *autostart);
    check(*signIn, program, true);
    return 0;
}
