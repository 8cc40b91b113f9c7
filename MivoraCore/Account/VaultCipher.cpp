#include "Account/VaultCipher.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <climits>
#include <memory>
#include <stdexcept>

namespace mivora::VaultCipher {

namespace {

struct CipherFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
struct KdfFree {
    void operator()(EVP_KDF* k) const { EVP_KDF_free(k); }
};
struct KdfCtxFree {
    void operator()(EVP_KDF_CTX* c) const { EVP_KDF_CTX_free(c); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherFree>;

unsigned char* bytes(QByteArray& b) {
    return reinterpret_cast<unsigned char*>(b.data());
}
const unsigned char* bytes(QByteArrayView b) {
    return reinterpret_cast<const unsigned char*>(b.data());
}

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(what);
}

// A GCM context set up for `key` and the 12-byte `nonce`, for sealing or opening.
CipherContext start(bool sealing, const SymmetricKey& key, const unsigned char* nonce) {
    CipherContext ctx(EVP_CIPHER_CTX_new());
    if (!ctx) return nullptr;
    const int enc = sealing ? 1 : 0;
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr, enc) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, int(nonceSize), nullptr) != 1 ||
        EVP_CipherInit_ex(ctx.get(), nullptr, nullptr, bytes(QByteArrayView(key.bytes())), nonce, enc) != 1)
        return nullptr;
    return ctx;
}

} // namespace

QByteArray randomBytes(qsizetype count) {
    QByteArray out(count, '\0');
    if (count > INT_MAX || RAND_bytes(bytes(out), int(count)) != 1) fail("the secure random source failed");
    return out;
}

QByteArray seal(QByteArrayView plaintext, const SymmetricKey& key) {
    const qsizetype n = plaintext.size();
    if (n > INT_MAX - nonceSize - tagSize) fail("AES-GCM: plaintext too large");
    QByteArray out = randomBytes(nonceSize);
    out.resize(nonceSize + n + tagSize);
    unsigned char* nonce = bytes(out);
    unsigned char* body = nonce + nonceSize;
    CipherContext ctx = start(true, key, nonce);
    int written = 0;
    int tail = 0;
    unsigned char rest[16];
    // With GCM a null output pointer would make the input associated data; an empty plaintext needs no
    // update at all.
    if (!ctx ||
        (n > 0 &&
         (EVP_EncryptUpdate(ctx.get(), body, &written, bytes(plaintext), int(n)) != 1 || written != n)) ||
        EVP_EncryptFinal_ex(ctx.get(), rest, &tail) != 1 || tail != 0 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, int(tagSize), body + n) != 1)
        fail("AES-GCM sealing failed");
    return out;
}

std::optional<QByteArray> open(QByteArray combined, const SymmetricKey& key) {
    if (combined.size() < nonceSize + tagSize || combined.size() > INT_MAX) return std::nullopt;
    const qsizetype n = combined.size() - nonceSize - tagSize;
    const QByteArray nonce = combined.first(nonceSize);
    QByteArray tag = combined.sliced(nonceSize + n);
    CipherContext ctx = start(false, key, bytes(nonce));
    // GCM may write the plaintext over the ciphertext; it then sits after the nonce, and dropping the front
    // of the array moves no byte.
    unsigned char* body = bytes(combined) + nonceSize;
    int written = 0;
    int tail = 0;
    unsigned char rest[16];
    if (!ctx ||
        (n > 0 && (EVP_DecryptUpdate(ctx.get(), body, &written, body, int(n)) != 1 || written != n)) ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, int(tagSize), tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), rest, &tail) != 1 || tail != 0)
        return std::nullopt;
    combined.truncate(nonceSize + n);
    combined.remove(0, nonceSize);
    return combined;
}

QByteArray hkdfSha256(QByteArrayView ikm, QByteArrayView salt, QByteArrayView info, qsizetype length) {
    std::unique_ptr<EVP_KDF, KdfFree> kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
    std::unique_ptr<EVP_KDF_CTX, KdfCtxFree> ctx(kdf ? EVP_KDF_CTX_new(kdf.get()) : nullptr);
    if (!ctx) fail("HKDF is not available");
    char digest[] = "SHA256";
    // The parameters only read these buffers; OpenSSL's signature is not const.
    auto octets = [](const char* name, QByteArrayView b) {
        return OSSL_PARAM_construct_octet_string(name, const_cast<char*>(b.data()), size_t(b.size()));
    };
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        octets(OSSL_KDF_PARAM_KEY, ikm),
        octets(OSSL_KDF_PARAM_SALT, salt),
        octets(OSSL_KDF_PARAM_INFO, info),
        OSSL_PARAM_construct_end(),
    };
    QByteArray out(length, '\0');
    if (EVP_KDF_derive(ctx.get(), bytes(out), size_t(length), params) != 1) fail("HKDF derivation failed");
    return out;
}

} // namespace mivora::VaultCipher
