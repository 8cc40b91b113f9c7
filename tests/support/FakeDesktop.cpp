#include "support/FakeDesktop.h"

namespace mivora::test {

Accessibility::FocusRead FakeAccessibility::read(const Answer& answer) {
    if (answer.element) return {std::make_unique<FakeAccessibleElement>(*answer.element), noError};
    return {nullptr, answer.error};
}

Accessibility::FocusRead FakeAccessibility::focusedElement(qint64 pid) {
    asked.push_back(pid);
    auto it = apps.find(pid);
    if (it == apps.end()) return {nullptr, cannotComplete};
    return read(it->second);
}

Accessibility::FocusRead FakeAccessibility::focusedElementAnywhere() {
    asked.push_back(-1);
    return read(anywhere);
}

} // namespace mivora::test
