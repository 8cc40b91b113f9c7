#pragma once

#include <QString>

namespace mivora {

// The takes' recordings ("mivora-<id>.wav", see AudioClip::writeWAV) on the disk while their runs live. A
// recording is deleted when its take ends, but one whose run was killed stays, for ever in a folder that
// outlives the session. Every run that may record holds one of these for its whole life: a shared lock on
// a file of the program's data folder, which every run of the user finds. A run that takes the lock while no
// other holds it (so no recording is in use) first removes what killed runs left in the folders takes are
// written to; a recording that a running copy is using is never among them.
class TakeRecordings {
public:
    // `lockFile` is `defaultLock()` in the program. Without `removeLeft` the run only holds the lock (a
    // command-line run, whose input file may well be named like a recording).
    explicit TakeRecordings(const QString& lockFile, bool removeLeft = true);
    ~TakeRecordings();
    TakeRecordings(const TakeRecordings&) = delete;
    TakeRecordings& operator=(const TakeRecordings&) = delete;

    static QString defaultLock();
    // How many left recordings this run removed as it began.
    int removed() const { return removed_; }

private:
    int fd_ = -1;
    int removed_ = 0;
};

} // namespace mivora
