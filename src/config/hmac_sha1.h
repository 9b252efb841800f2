#pragma once
// HMAC-SHA1 (RFC 2104) and PBKDF2-HMAC-SHA1 (RFC 2898) of our own.
//
// An HMAC context starts zeroed ({}) in its key phase: hmac_sha1_set_key appends key bytes,
// hashing the key once it grows past one block. The first hmac_sha1_update ends the key phase
// (even with no data); from then on further key input is refused. A context in its data
// phase can be copied, which lets PBKDF2 prepare the password's state once.

#include "config/sha1.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace vornex {

inline constexpr std::uint32_t hmac_data_phase = std::numeric_limits<std::uint32_t>::max();

struct HmacSha1Context {
    std::array<std::uint8_t, sha1_block_size> key_block{};
    Sha1Context sha{};
    std::uint32_t key_length = 0; // key bytes so far; hmac_data_phase once data has begun
};

// Appends key bytes; false (and nothing changed) once the data phase has begun.
bool hmac_sha1_set_key(HmacSha1Context& context, const void* key, std::size_t length);
void hmac_sha1_update(HmacSha1Context& context, const void* data, std::size_t length);
// Finishes the MAC and wipes the context.
Sha1Digest hmac_sha1_final(HmacSha1Context& context);

// PBKDF2 with HMAC-SHA1 as its pseudo-random function; fills output[0, output_length).
void pbkdf2_hmac_sha1(const void* password, std::size_t password_length, const void* salt,
                      std::size_t salt_length, std::uint32_t iterations, std::uint8_t* output,
                      std::size_t output_length);

} // namespace vornex
