#include "Account/Vault.h"
#include "Account/VaultCipher.h"
#include "Support/Base64.h"
#include "support/FailingRandom.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <tuple>

using namespace mivora;

namespace {

std::optional<VaultFailure::Kind> failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VaultFailure& e) {
        return e.kind();
    }
    return std::nullopt;
}

SymmetricKey key(char fill) {
    return *SymmetricKey::fromBytes(QByteArray(32, fill));
}

const QDateTime march(QDate(2025, 3, 1), QTime(8, 0), Qt::UTC);

Vault::Payload onePayload() {
    return {.v = 1,
            .items = {Memory{.id = "A", .title = "地址", .type = "地址", .value = "北京", .savedAt = march}},
            .deleted = {{"B", march.addDays(2)}}};
}

QByteArray json(const Vault::Payload& payload) {
    JsonWriter w = Vault::encoder();
    payload.encode(w);
    return w.data();
}

// A blob of any plaintext, sealed the way the vault seals its payload.
QString sealedText(const QByteArray& plaintext, const SymmetricKey& k) {
    return Base64::encode(VaultCipher::seal(plaintext, k));
}

} // namespace

// A fixed code and data key, wrapped by an independent implementation: the key derivation, its salt label
// and info, the code's bit order, the cipher and the nonce-ciphertext-tag layout must all agree for it to
// open.
TEST(Vault, KnownAnswers) {
    // RFC 5869, test case 1.
    EXPECT_EQ(VaultCipher::hkdfSha256(QByteArray(22, 0x0b), QByteArray::fromHex("000102030405060708090a0b0c"),
                                      QByteArray::fromHex("f0f1f2f3f4f5f6f7f8f9"), 42)
                  .toHex(),
              "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865");

    const auto code = RecoveryCode::parse(u"01234-56789-ABCDE-FGHJK-MNPQRW");
    QByteArray counting(32, 0);
    for (int i = 0; i < 32; ++i)
        counting[i] = char(i);
    const SymmetricKey data = *SymmetricKey::fromBytes(counting);
    EXPECT_EQ(Vault::unwrap(
                  u"AAECAwQFBgcICQoLqHs0aC1EXo56EKGRiRjsVJZbYLMFdDY+lsKLJWDpu49oOzXTQcLDORDQdOuIc+iD", code),
              data);

    const QString once = Vault::wrap(data, code);
    const QString twice = Vault::wrap(data, code);
    EXPECT_NE(once, twice); // a fresh nonce every time
    EXPECT_EQ(Vault::unwrap(twice, code), data);
    EXPECT_EQ(failureOf([&] { Vault::unwrap(once, RecoveryCode::generate()); }), VaultFailure::cannotOpen);
}

TEST(Vault, OpensWhatItSealsAndTellsAWrongKeyFromABadPayload) {
    const SymmetricKey k = key(7);
    const Vault::Payload payload = onePayload();
    const QString blob = Vault::encrypt(payload, k);
    EXPECT_EQ(Vault::decrypt(blob, k), payload);
    const QByteArray combined = *Base64::decode(blob);
    auto flipped = [&](qsizetype at) {
        QByteArray b = combined;
        b[at] = char(b[at] ^ 0x01);
        return Base64::encode(b);
    };
    const std::tuple<const char*, QString, SymmetricKey> unopenable[] = {
        {"wrong key", blob, key(8)},
        {"ciphertext byte", flipped(12), k},
        {"tag byte", flipped(combined.size() - 1), k},
        {"27 bytes", Base64::encode(combined.left(27)), k},
        {"spaces inside", blob.left(8) + "  " + blob.mid(8, 8) + "  " + blob.mid(16), k},
    };
    for (const auto& [what, text, with] : unopenable)
        EXPECT_EQ(failureOf([&] { Vault::decrypt(text, with); }), VaultFailure::cannotOpen) << what;

    const QByteArray written = json(payload);
    for (const QByteArray& plaintext : {QByteArray(written).replace("\"v\":1", "\"v\":2"),
                                        QByteArray(written).replace("08:00:00Z", "08:00:00.250Z")}) {
        ASSERT_NE(plaintext, written);
        EXPECT_EQ(failureOf([&] { Vault::decrypt(sealedText(plaintext, k), k); }), VaultFailure::badPayload)
            << plaintext.toStdString();
    }
    const auto code = RecoveryCode::generate();
    EXPECT_EQ(failureOf([&] { Vault::unwrap(sealedText(QByteArray(31, 1), code.wrappingKey()), code); }),
              VaultFailure::badPayload);
}

TEST(Vault, AFailedRandomDrawFailsTheOperation) {
    const RecoveryCode code = RecoveryCode::generate();
    const test::FailingRandom failing;
    EXPECT_THROW(SymmetricKey::random(), std::runtime_error);
    EXPECT_THROW(RecoveryCode::generate(), std::runtime_error);
    EXPECT_EQ(failureOf([&] { Vault::encrypt(onePayload(), key(1)); }), VaultFailure::cannotOpen);
    EXPECT_EQ(failureOf([&] { Vault::wrap(key(1), code); }), VaultFailure::cannotOpen);
}

// A text that begins with U+FEFF comes out of the vault as it went in.
TEST(Vault, KeepsALeadingByteOrderMark) {
    Vault::Payload payload = onePayload();
    payload.items[0].value = QString(QChar(0xFEFF)) + "pass";
    payload.items[0].aliases = {QString(QChar(0xFEFF)) + "家"};
    EXPECT_EQ(Vault::decrypt(Vault::encrypt(payload, key('k')), key('k')), payload);
}
