// The start-up self-test against OpenSSL doing the same work, in the same run: the three
// generator vectors are 30,000 generator steps (90,000 AES block encryptions, each one
// waiting for the one before), the derivation vectors five PBKDF2 runs. Also our SHA-1 and
// the configuration file's key derivation against OpenSSL's own.
#include "base/presenter.h"
#include "config/hmac_sha1.h"
#include "config/prng.h"
#include "config/self_test.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <openssl/evp.h>
#include <vector>

using namespace vornex;

namespace {

struct SilentPresenter : Presenter {
    int show_error(OwnerWindow, const std::string&) override { return dialog_ok; }
    int show_confirm(OwnerWindow, const std::string&) override { return dialog_ok; }
    void show_internal_error(const std::string& text) override {
        std::fprintf(stderr, "self-test failed: %s\n", text.c_str());
    }
    void show_note(const std::string&) override {}
};

// The median of `runs` timings of `work`, in milliseconds.
double median_ms(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

volatile std::uint8_t sink;

// OpenSSL's AES with the generator's keys: 3 x 30,000 chained single-block encryptions.
void openssl_chained_blocks(const SelfTestVectors& v) {
    for (std::size_t n = 0; n < 3; ++n) {
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        const EVP_CIPHER* cipher = n == 0   ? EVP_aes_128_ecb()
                                   : n == 1 ? EVP_aes_192_ecb()
                                            : EVP_aes_256_ecb();
        EVP_EncryptInit_ex(ctx, cipher, nullptr, v.prng_keys[n].data(), nullptr);
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        PrngBlock block = v.prng_dt[n];
        int written = 0;
        for (int i = 0; i < 3 * prng_test_steps; ++i) {
            EVP_EncryptUpdate(ctx, block.data(), &written, block.data(), 16);
        }
        sink = block[0];
        EVP_CIPHER_CTX_free(ctx);
    }
}

// The same 90,000 blocks in one ECB call each key, where AES can pipeline.
void openssl_bulk_blocks(const SelfTestVectors& v, std::vector<std::uint8_t>& buffer) {
    for (std::size_t n = 0; n < 3; ++n) {
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        const EVP_CIPHER* cipher = n == 0   ? EVP_aes_128_ecb()
                                   : n == 1 ? EVP_aes_192_ecb()
                                            : EVP_aes_256_ecb();
        EVP_EncryptInit_ex(ctx, cipher, nullptr, v.prng_keys[n].data(), nullptr);
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        int written = 0;
        EVP_EncryptUpdate(ctx, buffer.data(), &written, buffer.data(),
                          static_cast<int>(buffer.size()));
        sink = buffer[0];
        EVP_CIPHER_CTX_free(ctx);
    }
}

void our_generator(const SelfTestVectors& v) {
    for (std::size_t n = 0; n < 3; ++n) {
        PrngState state;
        prng_set_key(state, v.prng_keys[n].data(), 16 + 8 * n);
        state.v = v.prng_v[n];
        state.dt = v.prng_dt[n];
        PrngBlock r{};
        for (int i = 0; i < prng_test_steps; ++i) {
            prng_next_block(state, r);
        }
        sink = r[0];
    }
}

void our_derivations(const SelfTestVectors& v) {
    for (const DerivationVector& d : v.derivation) {
        std::uint8_t key[16];
        pbkdf2_hmac_sha1(d.pass.data(), d.pass_length, d.salt.data(), d.salt_length, d.iterations,
                         key, sizeof key);
        sink = key[0];
    }
}

void openssl_derivations(const SelfTestVectors& v) {
    for (const DerivationVector& d : v.derivation) {
        unsigned char key[16];
        PKCS5_PBKDF2_HMAC_SHA1(d.pass.data(), static_cast<int>(d.pass_length), d.salt.data(),
                               static_cast<int>(d.salt_length), static_cast<int>(d.iterations),
                               sizeof key, key);
        sink = key[0];
    }
}

void line(const char* what, double ours, double reference) {
    std::printf("  %-44s %9.3f ms  %9.3f ms  %6.2f\n", what, ours, reference, ours / reference);
}

} // namespace

int main() {
    const SelfTestVectors& v = builtin_self_test_vectors();
    SilentPresenter presenter;
    const int runs = 31;
    if (!crypto_self_test(presenter, std::nullopt)) {
        return 1;
    }

    std::vector<std::uint8_t> buffer(16 * 3 * prng_test_steps, 0x5a);
    const double self_test = median_ms(runs, [&] { crypto_self_test(presenter, std::nullopt); });
    const double generator = median_ms(runs, [&] { our_generator(v); });
    const double chained = median_ms(runs, [&] { openssl_chained_blocks(v); });
    const double bulk = median_ms(runs, [&] { openssl_bulk_blocks(v, buffer); });
    const double derivations = median_ms(runs, [&] { our_derivations(v); });
    const double openssl_derivation = median_ms(runs, [&] { openssl_derivations(v); });

    std::vector<std::uint8_t> data(1 << 20, 0xa5);
    const double our_sha = median_ms(runs, [&] { sink = sha1(data.data(), data.size())[0]; });
    const double openssl_sha = median_ms(runs, [&] {
        unsigned char digest[20];
        unsigned int length = 0;
        EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha1(), nullptr);
        sink = digest[0];
    });
    const std::uint8_t header[16] = {0x80};
    const double file_key = median_ms(runs, [&] {
        std::uint8_t key[32];
        pbkdf2_hmac_sha1("Corr3ct-Horse", 13, header, 16, 72, key, 32);
        sink = key[0];
    });
    const double openssl_file_key = median_ms(runs, [&] {
        unsigned char key[32];
        PKCS5_PBKDF2_HMAC_SHA1("Corr3ct-Horse", 13, header, 16, 72, 32, key);
        sink = key[0];
    });

    std::printf("crypto self-test benchmark (median of %d runs)\n", runs);
    std::printf("  %-44s %12s  %12s  %6s\n", "", "ours", "reference", "ratio");
    line("self-test vs OpenSSL AES, 90,000 chained blocks", self_test, chained);
    line("generator part vs the same chained blocks", generator, chained);
    line("generator part vs OpenSSL AES, 90,000 in bulk", generator, bulk);
    line("derivation part vs OpenSSL PBKDF2", derivations, openssl_derivation);
    line("SHA-1 of 1 MiB vs OpenSSL SHA-1", our_sha, openssl_sha);
    line("file key (72 rounds, 32 bytes) vs OpenSSL", file_key, openssl_file_key);
    std::printf("self-test at start-up: %.2f ms (goal: well under 50 ms)\n", self_test);
    return self_test < 50.0 ? 0 : 1;
}
