// The memories page's list for any memories and search text: exactly the memories a plain reading of the
// search finds (whole characters: never half of a surrogate pair), pinned ones first, then by use count,
// equal ones in the store's order.
#include "MivoraUI/Memories/MemoryListFilter.h"
#include "RoundTrip.h"

#include <algorithm>

using namespace mivora;

namespace {

const QStringList pieces = {"家",   "公",   "司",   "地", "址",     "Wi",     "-",          "Fi",
                            "wifi", "WIFI", "密码", "E",  "e",      "mail",   " ",          "\t",
                            "\n",   "　",   "İ",    "ß",  "\u0301", "\uFEFF", "\U0001F600", "a"};

// Besides the pieces, three lone halves of surrogate pairs: 0xFD one of no pair here, 0xFC and 0xFB the
// halves of the emoji among the pieces (together they make it whole again).
QString spell(QByteArrayView bytes) {
    return fuzz::spell(bytes, pieces, {{0xFD, 0xDC00}, {0xFC, 0xD83D}, {0xFB, 0xDE00}});
}

// The text as its characters: a surrogate pair is one, any other code unit (a lone half too) one of its own.
QStringList characters(const QString& text) {
    QStringList out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        out << text.mid(i, pair ? 2 : 1);
        i += pair;
    }
    return out;
}

bool contains(const QString& text, const QString& needle) {
    const QStringList hay = characters(text);
    const QStringList part = characters(needle);
    return std::search(hay.cbegin(), hay.cend(), part.cbegin(), part.cend()) != hay.cend();
}

bool found(const Memory& m, const QString& needle) {
    if (needle.isEmpty()) return true;
    QStringList names = {m.title, m.type};
    names += m.aliases;
    for (const QString& name : names)
        if (contains(fuzz::icuLower(name), needle)) return true;
    return !m.sensitive && contains(fuzz::icuLower(m.value), needle);
}

} // namespace

// Fields separated by 0xFF: the search text, then per memory title, type, alias, value and one byte of
// kind (pinned, sensitive, use count).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> fields = fuzz::bytes(data, size).split(char(0xFF));
    QList<Memory> memories;
    for (qsizetype i = 1; i + 4 < fields.size(); i += 5) {
        const quint8 kind = fields[i + 4].isEmpty() ? 0 : quint8(fields[i + 4][0]);
        memories.append(Memory{.id = QString::number(i),
                               .title = spell(fields[i]),
                               .type = spell(fields[i + 1]),
                               .aliases = {spell(fields[i + 2])},
                               .value = spell(fields[i + 3]),
                               .useCount = kind % 4,
                               .pinned = (kind & 0x10) != 0,
                               .sensitive = (kind & 0x20) != 0});
    }
    const QString query = spell(fields[0]);
    QString needle = query;
    while (!needle.isEmpty() && (needle.front() == u' ' || needle.front() == u'\t'))
        needle.remove(0, 1);
    while (!needle.isEmpty() && (needle.back() == u' ' || needle.back() == u'\t'))
        needle.chop(1);
    needle = fuzz::icuLower(needle);

    // Stable order by hand: for each (pinned, use count) class from the first, the memories of that class.
    QList<Memory> expected;
    for (const bool pinned : {true, false})
        for (qint64 uses = 3; uses >= 0; --uses)
            for (const Memory& m : memories)
                if (m.pinned == pinned && m.useCount == uses && found(m, needle)) expected.append(m);
    const QList<Memory> shown = MemoryListFilter::filtered(memories, query);
    fuzz::require(shown == expected, "another list than the search and order give", query.toUtf8());
    return 0;
}
