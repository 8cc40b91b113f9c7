#pragma once

#include "Memories/Memory.h"
#include "Support/Clock.h"

#include <QList>
#include <QtGlobal>

namespace mivora {

// Ready-made starting points for the most common memories: a fresh memory with the title, type and
// aliases filled in and an empty value, for the user to complete.
class MemoryTemplate {
public:
    enum Case { home, work, phone, email, invoice, wifi };

    constexpr MemoryTemplate(Case c) : case_(c) {}
    constexpr Case value() const { return case_; }

    // A new memory for this template on every call: new id, saved now (whole seconds), not yet stored.
    Memory memory(const Clock& clock) const;

    // Every template, in menu order.
    static QList<MemoryTemplate> allCases();

    friend constexpr bool operator==(MemoryTemplate, MemoryTemplate) = default;
    friend constexpr auto operator<=>(MemoryTemplate, MemoryTemplate) = default;
    friend size_t qHash(MemoryTemplate t, size_t seed = 0) { return ::qHash(int(t.case_), seed); }

private:
    Case case_;
};

} // namespace mivora
