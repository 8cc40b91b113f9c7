// The account block's filters for any typed text against ICU itself: the normalised address is the text
// without Unicode white space at either end, lowered the way ICU lowers it; the address check agrees with
// ICU's regular-expression engine on the whole text and with a plain reading of the rule; the code filter
// keeps the decimal digits ICU knows, as ASCII, the first six, and finds nothing to change a second time.
#include "Account/AccountService.h"
#include "MivoraUI/Account/AccountSection.h"
#include "RoundTrip.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <memory>

using namespace mivora;

namespace {

// Each byte one piece, so that addresses, white space of every kind, digits of every script and odd
// characters meet often; 0xFD and 0xFE are lone surrogates.
const QStringList pieces = {
    "a",      "B",          "x",          "Σ",          "σ",          "İ",      "ß",      "@",
    ".",      "．",         " ",          "\t",         "\n",         "\r",     "　",     "\u00A0",
    "\u180E", "\u2028",     "\u0085",     "\u200B",     "\u001C",     "\uFEFF", "\u0301", "0",
    "7",      "２",         "٣",          "𝟏",          "½",          "²",      "Ⅷ",      "五",
    "中",     "\U0001F600", "\U00011F53", "\U0001E4F5", "\U00016AC5", "-",      "_",      "Ω"};

QString spell(QByteArrayView bytes) {
    return fuzz::spell(bytes, pieces, {{0xFD, 0xD800}, {0xFE, 0xDC00}});
}

QList<UChar32> codePoints(const QString& text) {
    QList<UChar32> out;
    const auto* s = reinterpret_cast<const UChar*>(text.utf16());
    const auto n = int32_t(text.size());
    for (int32_t i = 0; i < n;) {
        UChar32 c;
        U16_NEXT(s, i, n, c); // a lone surrogate comes out as itself
        out.append(c);
    }
    return out;
}

bool white(UChar32 c) {
    return u_hasBinaryProperty(c, UCHAR_WHITE_SPACE);
}

QString normalisedByIcu(const QString& text) {
    qsizetype from = 0, to = text.size();
    while (from < to && white(text[from].unicode()))
        ++from;
    while (to > from && white(text[to - 1].unicode()))
        --to;
    return fuzz::icuLower(text.mid(from, to - from));
}

bool matchesIcuPattern(const QString& text) {
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexPattern> p(
            icu::RegexPattern::compile(u"^[^@\\s]+@[^@\\s]+\\.[^@\\s]{2,}$", 0, status));
        fuzz::require(U_SUCCESS(status), "the address pattern does not compile");
        return p;
    }();
    const icu::UnicodeString input(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexMatcher> m(pattern->matcher(input, status));
    const bool whole = m->matches(status);
    fuzz::require(U_SUCCESS(status), "the address pattern fails to run");
    return whole;
}

// No white space, exactly one "@" with something before it, and after it a "." that has something before
// it and at least two characters after it.
bool looksLikeAddressInWords(const QString& text) {
    const QList<UChar32> c = codePoints(text);
    qsizetype at = -1;
    for (qsizetype i = 0; i < c.size(); ++i) {
        if (white(c[i])) return false;
        if (c[i] == u'@') {
            if (at >= 0) return false;
            at = i;
        }
    }
    if (at < 1) return false;
    for (qsizetype i = at + 2; i < c.size(); ++i)
        if (c[i] == u'.') return c.size() - i - 1 >= 2;
    return false;
}

QString digitsByIcu(const QString& text) {
    QString out;
    for (const UChar32 c : codePoints(text)) {
        if (out.size() == 6) break;
        if (u_charType(c) == U_DECIMAL_DIGIT_NUMBER) out += QChar(u'0' + u_charDigitValue(c));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString typed = spell(fuzz::bytes(data, size));

    const QString address = AccountSection::normalised(typed);
    fuzz::require(address == normalisedByIcu(typed), "another address than trimming and ICU's lowering give",
                  typed.toUtf8());
    const bool looks = AccountService::looksLikeEmail(address);
    fuzz::require(looks == matchesIcuPattern(address), "the address check and ICU's engine disagree",
                  address.toUtf8());
    fuzz::require(looks == looksLikeAddressInWords(address), "the address check and the rule disagree",
                  address.toUtf8());
    // The check reads the text as given: untrimmed text too.
    fuzz::require(AccountService::looksLikeEmail(typed) == matchesIcuPattern(typed),
                  "the address check and ICU's engine disagree on untrimmed text", typed.toUtf8());

    const QString digits = AccountSection::codeDigits(typed);
    fuzz::require(digits == digitsByIcu(typed), "other code digits than ICU's", typed.toUtf8());
    fuzz::require(AccountSection::codeDigits(digits) == digits, "the code filter changes its own result",
                  digits.toUtf8());
    return 0;
}
