#include "MivoraUI/Kit/SaveFailureNote.h"

#include <QLabel>

namespace mivora {

void showSaveFailure(QLabel& note, AtomicFile::Failure failure, const QString& diskFull,
                     const QString& other) {
    switch (failure) {
    case AtomicFile::Failure::none:
        note.hide();
        return;
    case AtomicFile::Failure::diskFull:
        note.setText(diskFull);
        break;
    case AtomicFile::Failure::other:
        note.setText(other);
        break;
    }
    note.show();
}

} // namespace mivora
