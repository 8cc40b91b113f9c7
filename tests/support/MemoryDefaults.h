#pragma once

#include "Support/Defaults.h"

#include <QHash>

namespace mivora::test {

// User defaults kept in memory.
class MemoryDefaults final : public Defaults {
public:
    QVariant value(const QString& key) const override { return values_.value(key); }
    void setValue(const QString& key, const QVariant& value) override { values_[key] = value; }
    void remove(const QString& key) override { values_.remove(key); }
    AtomicFile::Failure saveFailure() const override { return failure_; }

    // As a file store whose writes start or stop failing.
    void setSaveFailure(AtomicFile::Failure failure) {
        failure_ = failure;
        if (saveFailureChanged) saveFailureChanged();
    }

private:
    QHash<QString, QVariant> values_;
    AtomicFile::Failure failure_ = AtomicFile::Failure::none;
};

} // namespace mivora::test
