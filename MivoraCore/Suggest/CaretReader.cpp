#include "Suggest/CaretReader.h"

#include "Insertion/TextInserter.h"
#include "Platform/Platform.h"
#include "Support/Text.h"

namespace mivora {

CaretReader::CaretReader(Platform& platform)
    : CaretReader(platform.textAccess(), platform.frontApplication(), platform.inputMethods()) {}

bool CaretReader::inputMethodComposes() {
    if (!inputMethods_) return false;
    const std::optional<FrontApp> app = front_.current();
    return app && inputMethods_->composesFor(app->pid);
}

std::nullopt_t CaretReader::fail(const QString& reason, const QString& identifier) {
    lastFailure = reason + QStringLiteral("（") + identifier + QStringLiteral("）");
    return std::nullopt;
}

namespace {

// A role that could not be read leaves the element's kind unknown: it may be a password field.
bool kindReadable(const AccessibleElement& element) {
    return element.role() != QStringLiteral("?");
}

} // namespace

std::optional<bool> CaretReader::focusIsPassword() {
    const std::optional<FrontApp> app = front_.current();
    if (!app) return std::nullopt;
    const TextAccess::Read focus = access_.focusedText(app->pid);
    if (!focus.field) return std::nullopt;
    const AccessibleElement& element = focus.field->element();
    if (element.isPasswordText()) return true;
    if (!kindReadable(element)) return std::nullopt;
    return false;
}

std::optional<CaretReader::Caret> CaretReader::read(int maxChars) {
    refusedPassword = false;
    kindUnknown = true;
    atStart = false;
    const QString unknown = QStringLiteral("?");
    const std::optional<FrontApp> app = front_.current();
    if (!app) return fail(QStringLiteral("安全输入"), unknown);
    const QString identifier = app->identifier.isEmpty() ? unknown : app->identifier;

    TextAccess::Read focus = access_.focusedText(app->pid);
    if (!focus.field && focus.error != Accessibility::noValue) {
        // The application may expose its widgets only once the desktop asks for them.
        access_.enableAccessibility();
        focus = access_.focusedText(app->pid);
    }
    if (!focus.field) return fail(QStringLiteral("读不到焦点"), identifier);
    FocusedText& field = *focus.field;
    // Typing goes into a password field: the same as the keyboard being reserved for secure entry.
    if (field.element().isPasswordText()) {
        refusedPassword = true;
        kindUnknown = false;
        return fail(QStringLiteral("安全输入"), unknown);
    }
    kindUnknown = !kindReadable(field.element());
    if (TextInserter::classify(field.element()).first != FocusKind::text)
        return fail(QStringLiteral("焦点不是输入框"), identifier);

    const auto selection = field.selection();
    if (!selection) return fail(QStringLiteral("读不到光标"), identifier);
    const qsizetype location = selection->location;
    if (selection->length != 0 || location <= 0) {
        atStart = selection->length == 0;
        return std::nullopt;
    }

    const qsizetype start = std::max<qsizetype>(0, location - maxChars);
    std::optional<QString> before = field.text(start, location);
    if (!before) {
        const auto value = field.value();
        if (value && value->size() >= location) before = value->mid(start, location - start);
    }
    if (!before) return fail(QStringLiteral("读不到文字"), identifier);

    Caret caret;
    caret.before = *before;
    // The caret sits at the right edge of the character before it. The desktop measures from the top of the
    // first screen; the program from its bottom.
    const auto bounds = field.characterBounds(location - 1);
    if (bounds && bounds->width() >= 0 && bounds->height() > 0)
        caret.rect =
            QRectF(bounds->right(), access_.firstScreenHeight() - bounds->bottom(), 1, bounds->height());
    else
        lastFailure = QStringLiteral("读不到光标位置（") + identifier + QStringLiteral("）");
    caret.key =
        QString::number(app->pid) + ':' + QString::number(location) + ':' + Text::suffix(caret.before, 8);
    return caret;
}

} // namespace mivora
