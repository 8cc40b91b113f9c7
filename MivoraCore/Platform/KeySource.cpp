#include "Platform/KeySource.h"

#include "Support/Defaults.h"

namespace mivora {

QString KeySource::fnKeyName(const Defaults& defaults) {
    const QString name = defaults.value(fnKeySetting).toString().trimmed();
    return name.isEmpty() ? QString::fromLatin1(fnKeyFallback) : name;
}

} // namespace mivora
