#pragma once

#include "Account/AccountService.h"
#include "Account/MemoryTokenStore.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "Support/HttpClient.h"
#include "Support/Scheduler.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QHash>

#include <exception>

// What the account fuzz targets share: an application for the event loop, and an account service over
// tokens in memory, defaults in memory and a clock that stands still.
namespace mivora::fuzz {

class FixedClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC); }
    double uptime() const override { return 100; }
};

class MemoryDefaults final : public Defaults {
public:
    QVariant value(const QString& key) const override { return values_.value(key); }
    void setValue(const QString& key, const QVariant& value) override { values_[key] = value; }
    void remove(const QString& key) override { values_.remove(key); }

private:
    QHash<QString, QVariant> values_;
};

inline QCoro::Task<> catching(QCoro::Task<> task, std::exception_ptr& error) {
    try {
        co_await task;
    } catch (...) {
        error = std::current_exception();
    }
}

// Runs the task to its end in a nested event loop; what it threw, if anything. (QCoro's waitFor alone
// never returns from a task that throws.)
inline std::exception_ptr run(QCoro::Task<> task) {
    std::exception_ptr error;
    QCoro::waitFor(catching(std::move(task), error));
    return error;
}

inline void startApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

struct AccountRig {
    explicit AccountRig(std::optional<QUrl> base, std::optional<AccountTokens> stored = std::nullopt)
        : store(std::move(stored)), account(std::move(base), store, network, defaults, clock) {}

    FixedClock clock;
    MemoryDefaults defaults;
    MemoryTokenStore store;
    QtScheduler scheduler; // libcurl's timer needs real time against the loopback server
    HttpClient network{scheduler};
    AccountService account;
};

} // namespace mivora::fuzz
