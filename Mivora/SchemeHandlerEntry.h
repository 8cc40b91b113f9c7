#pragma once

#include "SingleInstance.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace mivora {

// How the browser gets back to the program after a web sign-in: a desktop entry in the user's applications
// folder claims the sign-in callback schemes, so the browser starts the program with the callback URL as
// its argument; that start hands the URL to the running program and ends.
namespace SchemeHandlerEntry {

// The schemes the browser comes back with (Apple's and Google's).
QStringList schemes();
// "<data home>/applications/mivora-signin.desktop".
QString path();
// The entry for the program at `executable`; none when the path holds a character no entry can carry.
std::optional<QByteArray> contents(const QString& executable);
// "<config home>/mimeapps.list": where the entry is made the default for both schemes.
QString defaultsPath();
// Writes the entry and the two defaults unless they are already there (other defaults are kept); false when
// they could not be written, or when the list is there but cannot be read (then left as it is, and the log
// says why).
bool install(const QString& executable);

// The callback URL when the program was started with one (its only argument); none otherwise.
std::optional<QUrl> callbackIn(const QStringList& arguments);
// Hands `url` to the running program over the single-instance socket of `places`. 0 when it took it; 1
// with a line on stderr otherwise. Runs the event loop until done.
int handOver(const QUrl& url, const SingleInstance::Places& places);

} // namespace SchemeHandlerEntry
} // namespace mivora
