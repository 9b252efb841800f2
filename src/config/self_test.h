#pragma once
// The known-answer self-test that start-up runs before any file is encrypted: the generator
// against three published X9.31 AES vectors (128-, 192- and 256-bit keys, 10,000 steps each),
// then the seeding of `config_prng`, then PBKDF2-HMAC-SHA1 against five published vectors.

#include "base/presenter.h"
#include "config/prng.h"

#include <array>
#include <cstdint>
#include <optional>

namespace vornex {

inline constexpr int prng_test_steps = 10000;

struct DerivationVector {
    std::uint32_t pass_length;
    std::uint32_t salt_length;
    std::uint32_t iterations;
    std::array<char, 16> pass;
    std::array<std::uint8_t, 32> salt;
    std::array<std::uint8_t, 32> expected; // only the first 16 bytes are compared
};

struct SelfTestVectors {
    // The generator vectors as parallel tables; vector i has a key of 16 + 8 * i bytes.
    std::array<std::array<std::uint8_t, 32>, 3> prng_keys;
    std::array<PrngBlock, 3> prng_v;
    std::array<PrngBlock, 3> prng_dt;
    std::array<PrngBlock, 3> prng_expected;
    std::array<DerivationVector, 5> derivation;
};

const SelfTestVectors& builtin_self_test_vectors();

// True when both tests pass. On a failure shows "AES PRNG test failed." or "HMAC test
// failed." with internal_error_box; after a generator failure `config_prng` is left unseeded.
bool crypto_self_test(Presenter& presenter, const std::optional<PrngKey>& prng_salt);
// The same with other tables (a test build corrupts one to see the failure path).
bool crypto_self_test(Presenter& presenter, const std::optional<PrngKey>& prng_salt,
                      const SelfTestVectors& vectors);

} // namespace vornex
