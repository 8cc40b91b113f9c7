// The caret reader on a field of any text (lone surrogates, marks, U+FEFF), caret, selection and bounds: it
// reads exactly the positions before the caret, keys the place by them, converts the desktop's bounds; and
// the code-point offsets of the accessibility interface and the UTF-16 positions convert into each other.
#include "Platform/FrontApplication.h"
#include "Platform/TextAccess.h"
#include "Platform/TextOffsets.h"
#include "RoundTrip.h"
#include "Suggest/CaretReader.h"
#include "Support/Text.h"

#include <QtEndian>

using namespace mivora;

namespace {

struct Field {
    QString text;
    qsizetype caret = 0, selected = 0;
    bool rangeReadable = true, valueReadable = true;
    std::optional<QRectF> bounds;
};

struct Element final : AccessibleElement {
    QString role() const override { return QStringLiteral("AXTextField"); }
    bool isSelectedTextSettable() const override { return true; }
    bool isValueSettable() const override { return true; }
    bool isPasswordText() const override { return false; }
};

struct Focused final : FocusedText {
    explicit Focused(const Field& f) : f(f) {}
    const AccessibleElement& element() const override { return e; }
    std::optional<Selection> selection() override { return Selection{f.caret, f.selected}; }
    std::optional<QString> text(qsizetype start, qsizetype end) override {
        if (!f.rangeReadable || start < 0 || end < start || end > f.text.size()) return std::nullopt;
        return f.text.mid(start, end - start);
    }
    std::optional<QString> value() override { return f.valueReadable ? std::optional(f.text) : std::nullopt; }
    std::optional<QRectF> characterBounds(qsizetype) override { return f.bounds; }
    const Field& f;
    Element e;
};

struct Access final : TextAccess {
    Field field;
    double height = 0;
    Read focusedText(qint64) override { return {std::make_unique<Focused>(field), Accessibility::noError}; }
    void enableAccessibility() override {}
    double firstScreenHeight() override { return height; }
};

struct Front final : FrontApplication {
    std::optional<FrontApp> current() override { return FrontApp{QStringLiteral("fuzz"), 7}; }
    std::optional<QRect> frontWindowFrame() override { return std::nullopt; }
};

void offsets(QStringView text) {
    const int all = TextOffsets::codePoints(text);
    fuzz::require(all <= text.size(), "more code points than units");
    fuzz::require(TextOffsets::position(text, all + 3) <= text.size(), "a position past the end");
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i > 0 && text[i - 1].isHighSurrogate()) continue; // inside a code point
        const qsizetype back = TextOffsets::position(text, TextOffsets::codePoints(text.left(i)));
        fuzz::require(back == i, "an offset converts back to another position", text.toUtf8());
    }
    // Text read from UTF-8 is well formed: its code points are the ones the desktop counts.
    const QString decoded = Text::fromUtf8(text.toUtf8());
    fuzz::require(TextOffsets::codePoints(decoded) == decoded.toUcs4().size(), "code points miscounted");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 14) return 0;
    Access access;
    Field& f = access.field;
    const int maxChars = 1 + data[0] % 40;
    const quint16 caret = qFromLittleEndian<quint16>(data + 1);
    const uint8_t flags = data[3];
    const auto number = [&](size_t at) { return double(qFromLittleEndian<qint16>(data + at)); };
    for (size_t i = 14; i + 1 < size; i += 2)
        f.text.append(QChar(qFromLittleEndian<quint16>(data + i)));
    f.caret = caret % (f.text.size() + 3);
    f.selected = (flags & 1) ? 1 + flags % 3 : 0;
    f.rangeReadable = flags & 2;
    f.valueReadable = flags & 4;
    if (flags & 8) f.bounds = QRectF(number(4), number(6), number(8), number(10));
    access.height = qFromLittleEndian<quint16>(data + 12);
    offsets(f.text);

    Front front;
    CaretReader reader(access, front);
    reader.lastFailure = QStringLiteral("before");
    const auto read = reader.read(maxChars);
    if (f.selected != 0 || f.caret <= 0) {
        fuzz::require(!read && reader.lastFailure == QStringLiteral("before"), "a selection or start read");
        return 0;
    }
    const qsizetype start = std::max<qsizetype>(0, f.caret - maxChars);
    if ((!f.rangeReadable && !f.valueReadable) || f.caret > f.text.size()) {
        fuzz::require(!read && reader.lastFailure == QStringLiteral("读不到文字（fuzz）"),
                      "text past the field");
        return 0;
    }
    fuzz::require(read.has_value(), "a readable field read nothing");
    fuzz::require(read->before == f.text.mid(start, f.caret - start), "not the positions before the caret",
                  read->before.toUtf8());
    const QString tail = Text::suffix(read->before, 8);
    fuzz::require(read->before.endsWith(tail) && Text::graphemeCount(tail) <= 8, "a key tail of other text");
    fuzz::require(read->key == "7:" + QString::number(f.caret) + ':' + tail, "another key",
                  read->key.toUtf8());
    if (f.bounds && f.bounds->width() >= 0 && f.bounds->height() > 0) {
        const QRectF expected(f.bounds->right(), access.height - f.bounds->bottom(), 1, f.bounds->height());
        fuzz::require(read->rect == expected, "the caret's rectangle not converted");
    } else {
        fuzz::require(!read->rect && reader.lastFailure == QStringLiteral("读不到光标位置（fuzz）"),
                      "degenerate bounds give a rectangle");
    }
    return 0;
}
