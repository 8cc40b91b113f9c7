#include "Platform/Linux/DesktopEntry.h"

#include <algorithm>

namespace mivora::DesktopEntry {

namespace {

const QString shell = QStringLiteral("/bin/sh");
// Run by the shell with the program as $0 and the field codes' values after it.
const QString handOver = QStringLiteral("exec \"$0\" \"$@\"");

bool carriable(QChar c) {
    return c == '\t' || c == '\n' || c == '\r' || (c.unicode() >= 0x20 && c.unicode() != 0x7f);
}

// One argument in double quotes, its percent signs doubled.
QString quoted(QString argument) {
    for (const char* c : {"\\", "\"", "`", "$"})
        argument.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    argument.replace('%', QLatin1String("%%"));
    return '"' + argument + '"';
}

// The string escapes, applied last: they are the first thing a reader undoes.
QString escaped(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == '\\')
            out += QLatin1String("\\\\");
        else if (c == '\n')
            out += QLatin1String("\\n");
        else if (c == '\t')
            out += QLatin1String("\\t");
        else if (c == '\r')
            out += QLatin1String("\\r");
        else
            out += c;
    }
    return out;
}

} // namespace

std::optional<QString> exec(const QString& program, const QStringList& fieldCodes) {
    if (!std::all_of(program.begin(), program.end(), carriable)) return std::nullopt;
    QStringList words;
    if (program.contains('%')) words << shell << QStringLiteral("-c") << quoted(handOver);
    words << quoted(program) << fieldCodes;
    return escaped(words.join(' '));
}

QString unescaped(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        if (next == 's')
            out += ' ';
        else if (next == 'n')
            out += '\n';
        else if (next == 't')
            out += '\t';
        else if (next == 'r')
            out += '\r';
        else
            out += next;
    }
    return out;
}

std::optional<QStringList> arguments(const QString& exec) {
    const QString line = unescaped(exec);
    QStringList out;
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) out << word, word.clear(), inWord = false;
            continue;
        }
        inWord = true;
        if (c != '"') {
            word += c;
            continue;
        }
        for (++i;; ++i) {
            if (i == line.size()) return std::nullopt;
            if (line[i] == '"') break;
            if (line[i] == '\\' && i + 1 < line.size() && QStringLiteral("\"`$\\").contains(line[i + 1])) ++i;
            word += line[i];
        }
    }
    if (inWord) out << word;
    for (QString& argument : out)
        argument.replace(QLatin1String("%%"), QLatin1String("%"));
    return out;
}

QString program(const QString& exec) {
    const std::optional<QStringList> words = arguments(exec);
    if (!words || words->isEmpty()) return {};
    if (words->size() >= 4 && words->at(0) == shell && words->at(1) == QLatin1String("-c") &&
        words->at(2) == handOver)
        return words->at(3);
    return words->first();
}

} // namespace mivora::DesktopEntry
