#include "config/hmac_sha1.h"

#include <algorithm>
#include <cstring>
#include <openssl/crypto.h>

namespace vornex {

namespace {

constexpr std::uint8_t inner_pad = 0x36;
constexpr std::uint8_t inner_to_outer_pad = 0x36 ^ 0x5C; // 0x6A

void end_key_phase(HmacSha1Context& context) {
    if (context.key_length == hmac_data_phase) {
        return;
    }
    if (context.key_length > sha1_block_size) {
        // A long key has been hashed as it came in; its digest is the key.
        const Sha1Digest digest = sha1_final(context.sha);
        context.key_block.fill(0);
        std::copy(digest.begin(), digest.end(), context.key_block.begin());
    }
    // The bytes past the key are still zero: the block is the key padded to 64.
    for (std::uint8_t& b : context.key_block) {
        b ^= inner_pad;
    }
    sha1_init(context.sha);
    sha1_update(context.sha, context.key_block.data(), context.key_block.size());
    context.key_length = hmac_data_phase;
}

} // namespace

bool hmac_sha1_set_key(HmacSha1Context& context, const void* key, std::size_t length) {
    if (context.key_length == hmac_data_phase) {
        return false;
    }
    const std::uint64_t total = std::uint64_t{context.key_length} + length;
    if (total <= sha1_block_size) {
        if (length != 0) {
            std::memcpy(context.key_block.data() + context.key_length, key, length);
        }
    } else {
        if (context.key_length <= sha1_block_size) {
            // The key outgrows the block: start hashing with what is held so far.
            sha1_init(context.sha);
            sha1_update(context.sha, context.key_block.data(), context.key_length);
        }
        sha1_update(context.sha, key, length);
    }
    // Past one block only "longer than a block" matters; keep clear of the phase marker.
    context.key_length = static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFF'FFFEu));
    return true;
}

void hmac_sha1_update(HmacSha1Context& context, const void* data, std::size_t length) {
    end_key_phase(context);
    sha1_update(context.sha, data, length);
}

Sha1Digest hmac_sha1_final(HmacSha1Context& context) {
    end_key_phase(context);
    const Sha1Digest inner = sha1_final(context.sha);
    for (std::uint8_t& b : context.key_block) {
        b ^= inner_to_outer_pad;
    }
    sha1_init(context.sha);
    sha1_update(context.sha, context.key_block.data(), context.key_block.size());
    sha1_update(context.sha, inner.data(), inner.size());
    const Sha1Digest mac = sha1_final(context.sha);
    OPENSSL_cleanse(&context, sizeof context);
    return mac;
}

void pbkdf2_hmac_sha1(const void* password, std::size_t password_length, const void* salt,
                      std::size_t salt_length, std::uint32_t iterations, std::uint8_t* output,
                      std::size_t output_length) {
    // Both prepared states are copied for every HMAC instead of rehashing the key each time.
    HmacSha1Context with_password{};
    hmac_sha1_set_key(with_password, password, password_length);
    hmac_sha1_update(with_password, nullptr, 0);
    HmacSha1Context with_salt = with_password;
    hmac_sha1_update(with_salt, salt, salt_length);

    for (std::uint32_t index = 1; output_length != 0; ++index) {
        const std::uint8_t index_be[4] = {
            static_cast<std::uint8_t>(index >> 24), static_cast<std::uint8_t>(index >> 16),
            static_cast<std::uint8_t>(index >> 8), static_cast<std::uint8_t>(index)};
        HmacSha1Context context = with_salt;
        hmac_sha1_update(context, index_be, sizeof index_be);
        Sha1Digest u = hmac_sha1_final(context);
        Sha1Digest t = u;
        for (std::uint32_t j = 1; j < iterations; ++j) {
            context = with_password;
            hmac_sha1_update(context, u.data(), u.size());
            u = hmac_sha1_final(context);
            for (std::size_t k = 0; k < t.size(); ++k) {
                t[k] ^= u[k];
            }
        }
        const std::size_t take = std::min(output_length, t.size());
        std::memcpy(output, t.data(), take);
        output += take;
        output_length -= take;
        OPENSSL_cleanse(u.data(), u.size());
        OPENSSL_cleanse(t.data(), t.size());
    }
    OPENSSL_cleanse(&with_password, sizeof with_password);
    OPENSSL_cleanse(&with_salt, sizeof with_salt);
}

} // namespace vornex
