#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Signatures in minisign's format (Ed25519), which the clan's admin makes with
// "minisign -S" and the update checks against the key built into the program. Errors are
// values: an empty optional for text that is not a key or a signature, a SignatureCheck
// for a verification; nothing here throws.
namespace lindrel {

inline constexpr std::size_t kKeyIdBytes = 8;
inline constexpr std::size_t kPublicKeyBytes = 32;
inline constexpr std::size_t kSignatureBytes = 64;
// A .minisig file is four short lines; anything longer is not one.
inline constexpr std::size_t kMaxSignatureFileBytes = std::size_t{8} << 10;

struct PublicKey {
    std::array<std::uint8_t, kKeyIdBytes> keyId{};
    std::array<std::uint8_t, kPublicKeyBytes> key{};
};

// The key as "minisign -G" writes it on the second line of minisign.pub: base64 of "Ed",
// the key id and the key. Spaces and a line end around it are allowed.
std::optional<PublicKey> ParsePublicKey(std::string_view base64);

struct Signature {
    // "ED": the signature is over the BLAKE2b-512 hash of the file (minisign's default
    // since 0.11); "Ed": over the file itself.
    bool prehashed = false;
    std::array<std::uint8_t, kKeyIdBytes> keyId{};
    std::array<std::uint8_t, kSignatureBytes> signature{};
    std::string trustedComment;
    std::array<std::uint8_t, kSignatureBytes> globalSignature{};
};

// A .minisig file: "untrusted comment: ..." line, the signature's base64, "trusted
// comment: ..." line, the global signature's base64; LF or CR LF line ends.
std::optional<Signature> ParseSignature(std::string_view file);

enum class SignatureCheck {
    Good,
    Unreadable,     // not a .minisig file
    OtherKey,       // made with a key whose id is not the built-in key's
    Bad,            // the file's or the trusted comment's signature does not verify
    CommentMismatch // verified, but signed for another version or file
};

// Checks a file's bytes against its .minisig text: the key id, the signature, the global
// signature over the signature and trusted comment, then that the trusted comment is
// exactly expectedComment.
SignatureCheck VerifySignature(const PublicKey& key, std::string_view fileBytes,
                               std::string_view signatureFile, std::string_view expectedComment);

// The reason as the update's log line gives it.
std::string_view SignatureCheckText(SignatureCheck check);

} // namespace lindrel
