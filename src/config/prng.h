#pragma once
// The AES-based random generator of ANSI X9.31 (Appendix A.2.4, AES in place of two-key
// triple DES). `config_prng` is the program's one instance: it makes the header block of every
// encrypted configuration file and the next run's key (the PrngSalt setting). The main loop
// steps its counter block after every event, so the moments of the operator's actions enter
// the output. Used on the user-interface thread only.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;

namespace vornex {

using PrngBlock = std::array<std::uint8_t, 16>;
using PrngKey = std::array<std::uint8_t, 16>; // the key value kept as the PrngSalt setting

struct PrngState {
    // The key schedule: an AES-ECB encryption context, 128-, 192- or 256-bit key.
    std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> cipher{nullptr, nullptr};
    PrngKey key_value{}; // the key in memory (config_prng only; not the running schedule)
    PrngBlock v{};
    PrngBlock dt{};
};

extern PrngState config_prng;

// The built-in key used when no PrngSalt setting exists.
extern const PrngKey prng_default_key;

// Sets up the key schedule for a key of 16, 24 or 32 bytes; false when OpenSSL refuses.
bool prng_set_key(PrngState& state, const std::uint8_t* key, std::size_t key_length);
// One generator step; false (and `out` untouched) when the state has no key.
bool prng_next_block(PrngState& state, PrngBlock& out);
// DT + 1 as a big-endian counter over bytes 15 down to 1; byte 0 never changes.
void prng_step_counter(PrngBlock& dt);

// Seeds a generator: key = `salt` or the built-in default, V = 0, DT = seconds since 1970
// (8 bytes little-endian), the millisecond tick (4 bytes little-endian), 4 zero bytes.
bool prng_seed(PrngState& state, const std::optional<PrngKey>& salt);
// Draws the key for the next run: the new value replaces key_value (the running schedule
// stays) and is returned for the settings; nullopt when the generator has no key.
std::optional<PrngKey> prng_refresh_salt(PrngState& state);

} // namespace vornex
