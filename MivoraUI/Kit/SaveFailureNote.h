#pragma once

#include "Support/AtomicFile.h"

#include <QString>

class QLabel;

namespace mivora {

// A page shows a change as made at once; one the disk did not take is not saved yet, and the page's note
// says so: `diskFull` for a full disk, `other` for any other failure. Hidden while nothing failed.
void showSaveFailure(QLabel& note, AtomicFile::Failure failure, const QString& diskFull,
                     const QString& other);

} // namespace mivora
