#include "update/Signature.h"

#include <algorithm>
#include <sodium.h>
#include <vector>

namespace lindrel {

namespace {

constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";
constexpr std::string_view kLegacyAlgorithm = "Ed";
constexpr std::string_view kHashedAlgorithm = "ED";
constexpr std::size_t kAlgorithmBytes = 2;

// Exactly size bytes of standard base64 (padded), or nothing.
template <std::size_t size>
std::optional<std::array<std::uint8_t, size>> DecodeBase64(std::string_view text) {
    std::array<std::uint8_t, size + 1> bytes{}; // one more, to see an overlong text
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length,
                          &end, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != text.data() + text.size() || length != size) {
        return std::nullopt;
    }
    std::array<std::uint8_t, size> exact{};
    std::copy_n(bytes.begin(), size, exact.begin());
    return exact;
}

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) {
        line.remove_suffix(1);
    }
    return line;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(TrimLineEnd(text.substr(0, end)));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

bool Ready() {
    static const bool ready = sodium_init() >= 0; // idempotent and thread-safe
    return ready;
}

bool Verifies(const std::array<std::uint8_t, kSignatureBytes>& signature,
              const std::uint8_t* message, std::size_t length, const PublicKey& key) {
    return crypto_sign_verify_detached(signature.data(), message, length, key.key.data()) == 0;
}

} // namespace

std::optional<PublicKey> ParsePublicKey(std::string_view base64) {
    while (!base64.empty() && base64.front() == ' ') {
        base64.remove_prefix(1);
    }
    const auto bytes =
        DecodeBase64<kAlgorithmBytes + kKeyIdBytes + kPublicKeyBytes>(TrimLineEnd(base64));
    if (!bytes || std::string_view(reinterpret_cast<const char*>(bytes->data()), kAlgorithmBytes) !=
                      kLegacyAlgorithm) {
        return std::nullopt;
    }
    PublicKey key;
    std::copy_n(bytes->begin() + kAlgorithmBytes, kKeyIdBytes, key.keyId.begin());
    std::copy_n(bytes->begin() + kAlgorithmBytes + kKeyIdBytes, kPublicKeyBytes, key.key.begin());
    return key;
}

std::optional<Signature> ParseSignature(std::string_view file) {
    if (file.size() > kMaxSignatureFileBytes) {
        return std::nullopt;
    }
    const auto lines = Lines(file);
    if (lines.size() < 4 ||
        !std::all_of(lines.begin() + 4, lines.end(),
                     [](std::string_view line) { return line.empty(); }) ||
        !lines[0].starts_with(kUntrustedPrefix) || !lines[2].starts_with(kTrustedPrefix)) {
        return std::nullopt;
    }
    const auto signature = DecodeBase64<kAlgorithmBytes + kKeyIdBytes + kSignatureBytes>(lines[1]);
    const auto global = DecodeBase64<kSignatureBytes>(lines[3]);
    if (!signature || !global) {
        return std::nullopt;
    }
    const std::string_view algorithm(reinterpret_cast<const char*>(signature->data()),
                                     kAlgorithmBytes);
    if (algorithm != kLegacyAlgorithm && algorithm != kHashedAlgorithm) {
        return std::nullopt;
    }
    Signature parsed;
    parsed.prehashed = algorithm == kHashedAlgorithm;
    std::copy_n(signature->begin() + kAlgorithmBytes, kKeyIdBytes, parsed.keyId.begin());
    std::copy_n(signature->begin() + kAlgorithmBytes + kKeyIdBytes, kSignatureBytes,
                parsed.signature.begin());
    parsed.trustedComment = std::string(lines[2].substr(kTrustedPrefix.size()));
    parsed.globalSignature = *global;
    return parsed;
}

SignatureCheck VerifySignature(const PublicKey& key, std::string_view fileBytes,
                               std::string_view signatureFile, std::string_view expectedComment) {
    const auto signature = ParseSignature(signatureFile);
    if (!signature || !Ready()) {
        return SignatureCheck::Unreadable;
    }
    if (signature->keyId != key.keyId) {
        return SignatureCheck::OtherKey;
    }
    const auto* fileData = reinterpret_cast<const std::uint8_t*>(fileBytes.data());
    bool fileVerifies = false;
    if (signature->prehashed) {
        std::array<std::uint8_t, crypto_generichash_BYTES_MAX> hash{};
        crypto_generichash(hash.data(), hash.size(), fileData, fileBytes.size(), nullptr, 0);
        fileVerifies = Verifies(signature->signature, hash.data(), hash.size(), key);
    } else {
        fileVerifies = Verifies(signature->signature, fileData, fileBytes.size(), key);
    }
    // The global signature binds the trusted comment to this very signature.
    std::vector<std::uint8_t> signedPart(signature->signature.begin(), signature->signature.end());
    signedPart.insert(signedPart.end(), signature->trustedComment.begin(),
                      signature->trustedComment.end());
    if (!fileVerifies ||
        !Verifies(signature->globalSignature, signedPart.data(), signedPart.size(), key)) {
        return SignatureCheck::Bad;
    }
    return signature->trustedComment == expectedComment ? SignatureCheck::Good
                                                        : SignatureCheck::CommentMismatch;
}

std::string_view SignatureCheckText(SignatureCheck check) {
    switch (check) {
    case SignatureCheck::Good:
        return "signed";
    case SignatureCheck::Unreadable:
        return "unreadable signature";
    case SignatureCheck::OtherKey:
        return "signed by another key";
    case SignatureCheck::Bad:
        return "bad signature";
    case SignatureCheck::CommentMismatch:
        return "trusted comment does not match";
    }
    return "unreadable signature";
}

} // namespace lindrel
