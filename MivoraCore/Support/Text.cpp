#include "Support/Text.h"

#include <QStringDecoder>

#include <unicode/brkiter.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <QThreadPool>

#include <algorithm>
#include <iterator>
#include <memory>
#include <mutex>

#include "SimplifiedTriggers.inc" // kSimplifiedTriggersKnown, kSimplifiedTriggers (sorted)

namespace mivora::Text {

namespace {

icu::UnicodeString toIcu(QStringView s) {
    return icu::UnicodeString(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

QString fromIcu(const icu::UnicodeString& s) {
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

// Boundaries of the characters of `text` as UTF-16 offsets, including 0 and the end.
template <typename F> void forEachGrapheme(QStringView text, F&& f) {
    if (text.isEmpty()) return;
    UErrorCode status = U_ZERO_ERROR;
    // A break iterator is costly to create; keep one per thread.
    thread_local std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (!it) {
        for (qsizetype i = 0; i < text.size(); ++i)
            f(i, i + 1);
        return;
    }
    UText ut = UTEXT_INITIALIZER;
    utext_openUChars(&ut, reinterpret_cast<const UChar*>(text.utf16()), text.size(), &status);
    it->setText(&ut, status);
    int32_t start = it->first();
    for (int32_t end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next())
        if (!f(start, end)) break;
    utext_close(&ut);
}

UChar32 firstCodePoint(QStringView c) {
    if (c.isEmpty()) return -1;
    if (c.size() >= 2 && QChar::isHighSurrogate(c[0].unicode()) && QChar::isLowSurrogate(c[1].unicode()))
        return UChar32(QChar::surrogateToUcs4(c[0], c[1]));
    return c[0].unicode();
}

class Transform {
public:
    explicit Transform(const char* id) {
        UErrorCode status = U_ZERO_ERROR;
        t_.reset(icu::Transliterator::createInstance(id, UTRANS_FORWARD, status));
        if (U_FAILURE(status)) t_.reset();
    }
    QString apply(const QString& text) {
        if (!t_ || text.isEmpty()) return text;
        icu::UnicodeString s = toIcu(text);
        std::lock_guard lock(mutex_); // transliterators are not safe to share between threads
        t_->transliterate(s);
        return fromIcu(s);
    }

private:
    std::unique_ptr<icu::Transliterator> t_;
    std::mutex mutex_;
};

} // namespace

qsizetype graphemeCount(QStringView text) {
    qsizetype n = 0;
    forEachGrapheme(text, [&](int32_t, int32_t) {
        ++n;
        return true;
    });
    return n;
}

QStringList graphemes(QStringView text) {
    QStringList out;
    forEachGrapheme(text, [&](int32_t s, int32_t e) {
        out.append(text.mid(s, e - s).toString());
        return true;
    });
    return out;
}

QString prefix(QStringView text, qsizetype count) {
    if (count <= 0) return {};
    qsizetype n = 0, endAt = text.size();
    forEachGrapheme(text, [&](int32_t, int32_t e) {
        if (++n == count) {
            endAt = e;
            return false;
        }
        return true;
    });
    return text.left(endAt).toString();
}

qsizetype characterStart(QStringView text, qsizetype at) {
    if (at <= 0) return 0;
    if (at >= text.size()) return text.size();
    // ICU takes an offset inside a code point for the one before it.
    if (text[at].isLowSurrogate() && text[at - 1].isHighSurrogate()) --at;
    // Whether a character starts at `at` depends on the text before it and the code point there; a few
    // units after it are context enough, so a long text costs no more than a short one.
    const QStringView around = text.left(std::min(text.size(), at + 16));
    UErrorCode status = U_ZERO_ERROR;
    thread_local std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (!it) return at;
    UText ut = UTEXT_INITIALIZER;
    utext_openUChars(&ut, reinterpret_cast<const UChar*>(around.utf16()), around.size(), &status);
    it->setText(&ut, status);
    const int32_t start = it->isBoundary(int32_t(at)) ? int32_t(at) : it->preceding(int32_t(at));
    utext_close(&ut);
    return start == icu::BreakIterator::DONE ? 0 : start;
}

QString suffix(QStringView text, qsizetype count) {
    if (count <= 0) return {};
    const qsizetype total = graphemeCount(text);
    if (count >= total) return text.toString();
    qsizetype n = 0, startAt = 0;
    forEachGrapheme(text, [&](int32_t, int32_t e) {
        if (++n == total - count) {
            startAt = e;
            return false;
        }
        return true;
    });
    return text.mid(startAt).toString();
}

bool isWhitespace(QStringView c) {
    const UChar32 cp = firstCodePoint(c);
    return cp >= 0 && (u_isUWhiteSpace(cp) || cp == 0x85 || cp == 0x2028 || cp == 0x2029);
}

bool isPunctuation(QStringView c) {
    const UChar32 cp = firstCodePoint(c);
    return cp >= 0 && (U_GET_GC_MASK(cp) & U_GC_P_MASK) != 0;
}

bool isSymbol(QStringView c) {
    const UChar32 cp = firstCodePoint(c);
    return cp >= 0 && (U_GET_GC_MASK(cp) & U_GC_S_MASK) != 0;
}

bool isLetter(QStringView c) {
    const UChar32 cp = firstCodePoint(c);
    return cp >= 0 && (U_GET_GC_MASK(cp) & U_GC_L_MASK) != 0;
}

bool isNumber(QStringView c) {
    const UChar32 cp = firstCodePoint(c);
    return cp >= 0 && (U_GET_GC_MASK(cp) & U_GC_N_MASK) != 0;
}

int decimalDigit(char32_t codePoint) {
    const auto cp = UChar32(codePoint);
    return u_charType(cp) == U_DECIMAL_DIGIT_NUMBER ? u_charDigitValue(cp) : -1;
}

QString fromUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QString toLower(const QString& text) {
    if (text.isEmpty()) return text;
    const auto* source = reinterpret_cast<const UChar*>(text.utf16());
    // Full lowering grows the text at most threefold; ICU says how much it needs when that is not enough.
    QString out(text.size() * 3, Qt::Uninitialized);
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n = u_strToLower(reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), source,
                                       int32_t(text.size()), "", &status);
        if (status == U_BUFFER_OVERFLOW_ERROR && n > out.size()) {
            out.resize(n);
            continue;
        }
        if (U_FAILURE(status)) return text;
        out.truncate(n);
        return out;
    }
}

QString trimWhitespace(QStringView text) {
    // Every white space character is in the basic plane, so a UTF-16 unit decides.
    auto blank = [](QChar c) { return u_isUWhiteSpace(c.unicode()); };
    while (!text.isEmpty() && blank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text.toString();
}

QString trimSpacesAndTabs(QStringView text) {
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!text.isEmpty() && blank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text.toString();
}

static Transform& simplifier() {
    static Transform t("Traditional-Simplified"); // built once, by whichever thread comes first
    return t;
}

// Whether the conversion could change `text`: it holds one of the characters listed when the program was
// built. Most dictated text holds none, and then the converter need not exist.
static bool mayChangeOnSimplifying(QStringView text) {
    if (!kSimplifiedTriggersKnown) return true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (std::binary_search(std::begin(kSimplifiedTriggers), std::end(kSimplifiedTriggers), c))
            return true;
    }
    return false;
}

QString toSimplified(const QString& text) {
    return mayChangeOnSimplifying(text) ? simplifier().apply(text) : text;
}

void prepareSimplified() {
    static std::once_flag once;
    std::call_once(once, [] { QThreadPool::globalInstance()->start([] { simplifier(); }); });
}

QString toLatin(const QString& text) {
    static Transform t("Han-Latin; Latin-ASCII");
    return t.apply(text);
}

} // namespace mivora::Text
