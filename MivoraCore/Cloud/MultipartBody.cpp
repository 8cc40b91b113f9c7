#include "Cloud/MultipartBody.h"

#include <QUuid>

#include <utility>

namespace mivora {

MultipartBody::MultipartBody()
    : boundary_("yarrik-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toUtf8()) {}

void MultipartBody::addField(const char* name, const QString& value) {
    body_ += "--" + boundary_ + "\r\n";
    body_ += "Content-Disposition: form-data; name=\"" + QByteArray(name) + "\"\r\n\r\n";
    body_ += value.toUtf8() + "\r\n";
}

void MultipartBody::addFile(const char* name, const char* fileName, const char* contentType,
                            const QByteArray& data) {
    body_.reserve(body_.size() + data.size() + 256);
    body_ += "--" + boundary_ + "\r\n";
    body_ += "Content-Disposition: form-data; name=\"" + QByteArray(name) + "\"; filename=\"" +
             QByteArray(fileName) + "\"\r\n";
    body_ += "Content-Type: " + QByteArray(contentType) + "\r\n\r\n";
    body_ += data;
    body_ += "\r\n";
}

QByteArray MultipartBody::finish() {
    body_ += "--" + boundary_ + "--\r\n";
    return std::exchange(body_, {});
}

QByteArray MultipartBody::contentType() const {
    return "multipart/form-data; boundary=" + boundary_;
}

} // namespace mivora
