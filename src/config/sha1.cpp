#include "config/sha1.h"

#include <algorithm>
#include <cstring>
#include <openssl/crypto.h>

namespace vornex {

namespace {

std::uint32_t rotl(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

std::uint32_t load_be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

void store_be32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

void compress(std::array<std::uint32_t, 5>& h, const std::uint8_t* block) {
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t) {
        w[t] = load_be32(block + 4 * t);
    }
    for (int t = 16; t < 80; ++t) {
        w[t] = rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int t = 0; t < 80; ++t) {
        std::uint32_t f, k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const std::uint32_t temp = rotl(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = rotl(b, 30);
        b = a;
        a = temp;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

} // namespace

void sha1_init(Sha1Context& context) {
    context.count = {0, 0};
    context.state = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
}

void sha1_update(Sha1Context& context, const void* data, std::size_t length) {
    if (length == 0) {
        return;
    }
    const auto* in = static_cast<const std::uint8_t*>(data);
    std::size_t used = context.count[0] % sha1_block_size;
    const std::uint64_t total =
        (std::uint64_t{context.count[1]} << 32 | context.count[0]) + std::uint64_t{length};
    context.count[0] = static_cast<std::uint32_t>(total);
    context.count[1] = static_cast<std::uint32_t>(total >> 32);

    if (used != 0) {
        const std::size_t take = std::min(length, sha1_block_size - used);
        std::memcpy(context.block.data() + used, in, take);
        in += take;
        length -= take;
        used += take;
        if (used < sha1_block_size) {
            return;
        }
        compress(context.state, context.block.data());
    }
    for (; length >= sha1_block_size; in += sha1_block_size, length -= sha1_block_size) {
        compress(context.state, in);
    }
    if (length != 0) {
        std::memcpy(context.block.data(), in, length);
    }
}

Sha1Digest sha1_final(Sha1Context& context) {
    const std::uint64_t bits =
        (std::uint64_t{context.count[1]} << 32 | context.count[0]) * 8; // modulo 2^64
    std::uint8_t tail[sha1_block_size + 8] = {0x80};
    const std::size_t used = context.count[0] % sha1_block_size;
    // Pad to 56 bytes into a block, then the 64-bit big-endian bit count.
    const std::size_t pad = (used < 56 ? 56 - used : 120 - used);
    std::uint8_t length_be[8];
    store_be32(length_be, static_cast<std::uint32_t>(bits >> 32));
    store_be32(length_be + 4, static_cast<std::uint32_t>(bits));
    std::memcpy(tail + pad, length_be, 8);
    // sha1_update would count the padding too; the count no longer matters here.
    sha1_update(context, tail, pad + 8);

    Sha1Digest digest;
    for (std::size_t i = 0; i < 5; ++i) {
        store_be32(digest.data() + 4 * i, context.state[i]);
    }
    OPENSSL_cleanse(&context, sizeof context);
    return digest;
}

Sha1Digest sha1(const void* data, std::size_t length) {
    Sha1Context context;
    sha1_init(context);
    sha1_update(context, data, length);
    return sha1_final(context);
}

} // namespace vornex
