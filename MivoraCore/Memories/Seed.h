#pragma once

#include "Memories/Memory.h"

#include <QDateTime>
#include <QList>

namespace mivora {

// Eleven believable memories of one fictional person, for runs that must not touch the user's own.
namespace Seed {

// New records on every call (new ids), each saved its age in whole days before `now`.
QList<Memory> samples(const QDateTime& now);

} // namespace Seed
} // namespace mivora
