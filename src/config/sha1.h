#pragma once
// SHA-1 (FIPS 180) of our own: the configuration file's integrity digest, and the hash under
// HMAC-SHA1 and PBKDF2. A context is a plain record that may be copied at any point, which
// PBKDF2 relies on to reuse a prepared state.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vornex {

inline constexpr std::size_t sha1_block_size = 64;
inline constexpr std::size_t sha1_digest_size = 20;
using Sha1Digest = std::array<std::uint8_t, sha1_digest_size>;

struct Sha1Context {
    std::array<std::uint32_t, 2> count{}; // bytes fed so far, low word first
    std::array<std::uint32_t, 5> state{};
    std::array<std::uint8_t, sha1_block_size> block{};
};

void sha1_init(Sha1Context& context);
void sha1_update(Sha1Context& context, const void* data, std::size_t length);
// Finishes the digest and wipes the context; sha1_init it again before reuse.
Sha1Digest sha1_final(Sha1Context& context);

// The digest of one contiguous buffer.
Sha1Digest sha1(const void* data, std::size_t length);

} // namespace vornex
