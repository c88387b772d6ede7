// The .minisig reader: any bytes are read without failing, within the file's bound, and a
// signature that reads is checked against a fixed key without failing either.
#include "update/Signature.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto signature = lindrel::ParseSignature(input);
    if (!signature) {
        return 0;
    }
    if (size > lindrel::kMaxSignatureFileBytes ||
        signature->trustedComment.find('\n') != std::string::npos) {
        std::abort();
    }
    static const auto key =
        lindrel::ParsePublicKey("RWTWpMgWwFKCGfbX6xF8LaFiacwwvNwtXZF00NuFvPuYzJF1+qn5hYuD");
    if (!key) {
        std::abort();
    }
    // The seeds are signed by this key, but over other bytes than the input: never "Good".
    if (lindrel::VerifySignature(*key, input, input, signature->trustedComment) ==
        lindrel::SignatureCheck::Good) {
        std::abort();
    }
    return 0;
}
