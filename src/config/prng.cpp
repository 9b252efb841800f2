#include "config/prng.h"

#include <chrono>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace vornex {

namespace {

// OpenSSL registers its clean-up with atexit when it starts. Starting it before the program's
// generator exists makes the generator's destructor run before that clean-up, not after it.
PrngState make_config_prng() {
    OPENSSL_init_crypto(0, nullptr);
    return PrngState{};
}

} // namespace

PrngState config_prng = make_config_prng();

// Any fixed value serves: a stored PrngSalt replaces it after the first run.
const PrngKey prng_default_key = {0x5d, 0x2a, 0x91, 0xc4, 0x0e, 0x7b, 0xe3, 0x48,
                                  0xa6, 0x1f, 0xd9, 0x62, 0xb5, 0x3c, 0x87, 0xf0};

namespace {

const EVP_CIPHER* ecb_cipher(std::size_t key_length) {
    switch (key_length) {
    case 16:
        return EVP_aes_128_ecb();
    case 24:
        return EVP_aes_192_ecb();
    case 32:
        return EVP_aes_256_ecb();
    default:
        return nullptr;
    }
}

bool encrypt_block(EVP_CIPHER_CTX* cipher, const PrngBlock& in, PrngBlock& out) {
    int written = 0;
    return EVP_EncryptUpdate(cipher, out.data(), &written, in.data(),
                             static_cast<int>(in.size())) == 1 &&
           written == static_cast<int>(out.size());
}

PrngBlock exclusive_or(const PrngBlock& a, const PrngBlock& b) {
    PrngBlock r;
    for (std::size_t i = 0; i < r.size(); ++i) {
        r[i] = a[i] ^ b[i];
    }
    return r;
}

} // namespace

bool prng_set_key(PrngState& state, const std::uint8_t* key, std::size_t key_length) {
    const EVP_CIPHER* cipher = ecb_cipher(key_length);
    if (cipher == nullptr) {
        return false;
    }
    if (!state.cipher) {
        state.cipher = {EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free};
        if (!state.cipher) {
            return false;
        }
    }
    if (EVP_EncryptInit_ex(state.cipher.get(), cipher, nullptr, key, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(state.cipher.get(), 0) != 1) {
        state.cipher.reset();
        return false;
    }
    return true;
}

bool prng_next_block(PrngState& state, PrngBlock& out) {
    if (!state.cipher) {
        return false;
    }
    PrngBlock i, r, v;
    if (!encrypt_block(state.cipher.get(), state.dt, i) ||
        !encrypt_block(state.cipher.get(), exclusive_or(i, state.v), r) ||
        !encrypt_block(state.cipher.get(), exclusive_or(r, i), v)) {
        return false;
    }
    state.v = v;
    prng_step_counter(state.dt);
    out = r;
    return true;
}

void prng_step_counter(PrngBlock& dt) {
    for (std::size_t i = dt.size() - 1; i >= 1; --i) {
        if (++dt[i] != 0) {
            return;
        }
    }
}

bool prng_seed(PrngState& state, const std::optional<PrngKey>& salt) {
    state.key_value = salt.value_or(prng_default_key);
    if (!prng_set_key(state, state.key_value.data(), state.key_value.size())) {
        return false;
    }
    state.v.fill(0);
    using namespace std::chrono;
    const auto seconds = static_cast<std::uint64_t>(
        duration_cast<std::chrono::seconds>(system_clock::now().time_since_epoch()).count());
    const auto ticks = static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    state.dt.fill(0);
    for (std::size_t i = 0; i < 8; ++i) {
        state.dt[i] = static_cast<std::uint8_t>(seconds >> (8 * i));
    }
    for (std::size_t i = 0; i < 4; ++i) {
        state.dt[8 + i] = static_cast<std::uint8_t>(ticks >> (8 * i));
    }
    return true;
}

std::optional<PrngKey> prng_refresh_salt(PrngState& state) {
    PrngBlock next;
    if (!prng_next_block(state, next)) {
        return std::nullopt;
    }
    state.key_value = next;
    return next;
}

} // namespace vornex
