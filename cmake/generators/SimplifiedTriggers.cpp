// Writes the code points that tell whether ICU's "Traditional-Simplified" conversion could change a text:
// every character the conversion changes on its own, and one character of each longer rule that changes
// text made of characters it leaves alone. A text with none of them comes out of the conversion as it went
// in, so the program can skip building the converter (tens of milliseconds) for it.
//
// The rules are read from the ICU the program is built against. Where they are not all plain "X > Y;"
// mappings, the file says the set is unknown and the program converts every text.
#include <unicode/translit.h>
#include <unicode/uniset.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<UChar32> codePoints(const icu::UnicodeString& s) {
    std::vector<UChar32> out;
    for (int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1))
        out.push_back(s.char32At(i));
    return out;
}

bool write(const char* path, bool known, const std::set<UChar32>& triggers) {
    std::ofstream out(path);
    out << "// Made by cmake/generators/SimplifiedTriggers.cpp when the program is built.\n";
    out << "constexpr bool kSimplifiedTriggersKnown = " << (known ? "true" : "false") << ";\n";
    out << "constexpr char32_t kSimplifiedTriggers[] = {\n";
    for (UChar32 c : triggers)
        out << "    0x" << std::hex << c << ",\n";
    if (triggers.empty()) out << "    0,\n";
    out << "};\n";
    return bool(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::Transliterator> t(
        icu::Transliterator::createInstance("Traditional-Simplified", UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !t) return write(argv[1], false, {}) ? 0 : 1;

    icu::UnicodeString rules;
    t->toRules(rules, false);
    struct Rule {
        icu::UnicodeString from, to;
    };
    std::vector<Rule> mappings;
    for (int32_t start = 0; start < rules.length();) {
        int32_t end = rules.indexOf(u'\n', start);
        if (end < 0) end = rules.length();
        icu::UnicodeString line(rules, start, end - start);
        start = end + 1;
        line.trim();
        if (line.isEmpty()) continue;
        const int32_t arrow = line.indexOf(u" > ");
        const bool plain = arrow > 0 && line.endsWith(u";") && line.indexOf(u'{') < 0 &&
                           line.indexOf(u'[') < 0 && line.indexOf(u'$') < 0 && line.indexOf(u':') < 0 &&
                           line.indexOf(u'\\') < 0 && line.indexOf(u'\'') < 0;
        if (!plain) return write(argv[1], false, {}) ? 0 : 1;
        mappings.push_back({icu::UnicodeString(line, 0, arrow),
                            icu::UnicodeString(line, arrow + 3, line.length() - arrow - 4)});
    }

    std::set<UChar32> triggers;
    for (const Rule& r : mappings)
        if (r.from != r.to && r.from.countChar32() == 1) triggers.insert(r.from.char32At(0));
    for (const Rule& r : mappings) {
        if (r.from == r.to) continue;
        const std::vector<UChar32> cs = codePoints(r.from);
        bool covered = false;
        for (UChar32 c : cs)
            covered = covered || triggers.count(c);
        if (!covered) triggers.insert(cs.front());
    }
    return write(argv[1], true, triggers) ? 0 : 1;
}
