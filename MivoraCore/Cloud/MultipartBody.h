#pragma once

#include <QByteArray>
#include <QString>

namespace mivora {

// A multipart/form-data body, built part by part: text fields, then one file. Line breaks are CR LF and
// the file's bytes go in untouched.
class MultipartBody {
public:
    // A fresh boundary: "yarrik-" and an upper-case UUID.
    MultipartBody();

    void addField(const char* name, const QString& value);
    void addFile(const char* name, const char* fileName, const char* contentType, const QByteArray& data);
    // The body with its closing boundary; the builder is empty afterwards.
    QByteArray finish();

    // "multipart/form-data; boundary=…", the request's Content-Type.
    QByteArray contentType() const;

private:
    QByteArray boundary_;
    QByteArray body_;
};

} // namespace mivora
