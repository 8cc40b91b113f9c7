// The account server's answers and the stored tokens, read from the same bytes: a sign-in or refresh reply,
// a vault record and a vault write reply may be refused only with the errors their callers expect, and
// tokens that read back must survive their own writer unchanged.
#include "Account/AccountError.h"
#include "Account/AccountService.h"
#include "RoundTrip.h"
#include "Support/JsonParseError.h"

using namespace mivora;

namespace {

template <typename Read> void readOrRefuse(Read read, bool jsonErrorAllowed, const char* what) {
    try {
        read();
    } catch (const JsonParseError&) {
        fuzz::require(jsonErrorAllowed, what);
    } catch (const AccountError& e) {
        fuzz::require(e.kind() == AccountError::Kind::badResponse, what);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body = fuzz::bytes(data, size);
    readOrRefuse([&] { AccountService::LoginReply::read(body); }, false, "login reply: unexpected failure");
    readOrRefuse([&] { AccountService::parseVault(body); }, true, "vault record: unexpected failure");
    readOrRefuse([&] { AccountService::readVaultPut(body); }, true, "vault write: unexpected failure");
    if (const auto tokens = AccountTokens::fromJson(body)) {
        const QByteArray written = tokens->toJson();
        fuzz::require(AccountTokens::fromJson(written) == tokens, "tokens: round trip", written);
    }
    return 0;
}
