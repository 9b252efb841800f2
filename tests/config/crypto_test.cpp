// Our SHA-1, HMAC-SHA1, PBKDF2 and X9.31 generator against published vectors and against the
// openssl command-line tool; never against themselves.
#include "config/hmac_sha1.h"
#include "config/prng.h"
#include "config/self_test.h"
#include "crypto_test_util.h"
#include "recording_presenter.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <random>

namespace vornex {
namespace {

using test::Bytes;
using test::from_hex;
using test::run_command;
using test::to_hex;

Bytes random_bytes(std::mt19937& random, std::size_t n) {
    Bytes out(n);
    std::ranges::generate(out, [&] { return static_cast<std::uint8_t>(random()); });
    return out;
}

TEST(Sha1, MillionAInPiecesOfAnOddSize) {
    // A million "a" fed in pieces of an odd size, so pieces straddle block boundaries.
    const std::string piece(997, 'a');
    Sha1Context context;
    sha1_init(context);
    std::size_t fed = 0;
    for (; fed + piece.size() <= 1000000; fed += piece.size())
        sha1_update(context, piece.data(), piece.size());
    sha1_update(context, piece.data(), 1000000 - fed);
    EXPECT_EQ(to_hex(sha1_final(context)), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

// Random data of every length 0…200 against one openssl run over all of them, line by line.
// HMAC's data goes through the same update, so its comparison below varies the key instead.
TEST(Sha1, EqualsOpensslForEveryLengthUpTo200) {
    std::mt19937 random(1);
    test::ScratchDir dir;
    std::string files;
    std::vector<std::string> expected;
    for (std::size_t n = 0; n <= 200; ++n) {
        const Bytes data = random_bytes(random, n);
        const auto path = dir / ("m" + std::to_string(n));
        test::write_file(path, data);
        files += " " + path.string();
        expected.push_back(to_hex(sha1(data.data(), data.size())));
    }
    std::istringstream lines(run_command("openssl dgst -sha1" + files));
    std::vector<std::string> theirs;
    for (std::string line; std::getline(lines, line);)
        theirs.push_back(test::last_hex_word(line));
    EXPECT_EQ(theirs, expected); // a line per length 0…200
}

TEST(HmacSha1, KeyInPiecesAcrossTheBlockAndNoKeyAfterData) {
    const std::string data = "Test Using Larger Than Block-Size Key - Hash Key First";
    const Bytes key(80, 0xaa);
    // 40 + 24 fills the block exactly; the last 16 bytes push the key into hashing.
    HmacSha1Context context{};
    EXPECT_TRUE(hmac_sha1_set_key(context, key.data(), 40));
    EXPECT_TRUE(hmac_sha1_set_key(context, key.data(), 24));
    EXPECT_TRUE(hmac_sha1_set_key(context, key.data(), 16));
    hmac_sha1_update(context, data.data(), 10);
    EXPECT_FALSE(hmac_sha1_set_key(context, key.data(), 1));
    hmac_sha1_update(context, data.data() + 10, data.size() - 10);
    EXPECT_EQ(to_hex(hmac_sha1_final(context)), "aa4ae5e15272d00e95705637ce8a3b55ed402112");

    // An update of nothing already ends the key phase.
    HmacSha1Context jefe{};
    EXPECT_TRUE(hmac_sha1_set_key(jefe, "Je", 2));
    EXPECT_TRUE(hmac_sha1_set_key(jefe, "fe", 2));
    hmac_sha1_update(jefe, nullptr, 0);
    EXPECT_FALSE(hmac_sha1_set_key(jefe, "x", 1));
    const std::string what = "what do ya want for nothing?";
    hmac_sha1_update(jefe, what.data(), what.size());
    EXPECT_EQ(to_hex(hmac_sha1_final(jefe)), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");

    // A final straight after the key: the MAC of empty data, as openssl computes it.
    HmacSha1Context empty{};
    EXPECT_TRUE(hmac_sha1_set_key(empty, "key", 3));
    EXPECT_EQ(to_hex(hmac_sha1_final(empty)), "f42bb0eeb018ebbd4597ae7213711ec60760843f");
}

TEST(HmacSha1, EqualsOpensslForKeysUpTo130) {
    test::ScratchDir dir;
    std::mt19937 random(2);
    for (std::size_t k = 0; k <= 130; ++k) {
        const Bytes key = random_bytes(random, k);
        const Bytes data = random_bytes(random, random() % 201);
        const auto path = dir / "data";
        test::write_file(path, data);
        const std::string theirs = test::last_hex_word(
            run_command("openssl mac -digest SHA1 -macopt hexkey:" + to_hex(key) + " -in " +
                        path.string() + " HMAC"));
        HmacSha1Context context{};
        EXPECT_TRUE(hmac_sha1_set_key(context, key.data(), key.size()));
        hmac_sha1_update(context, data.data(), data.size());
        EXPECT_EQ(to_hex(hmac_sha1_final(context)), theirs) << "key length " << k;
    }
}

TEST(Pbkdf2HmacSha1, EqualsOpensslKdf) {
    std::mt19937 random(3);
    for (int n = 0; n < 12; ++n) {
        const Bytes pass = random_bytes(random, 1 + random() % 90);
        const Bytes salt = random_bytes(random, 1 + random() % 40);
        const std::uint32_t iterations = 1 + random() % 100;
        const std::size_t length = 1 + random() % 64;
        Bytes ours(length);
        pbkdf2_hmac_sha1(pass.data(), pass.size(), salt.data(), salt.size(), iterations,
                         ours.data(), ours.size());
        const std::string theirs = test::last_hex_word(run_command(
            "openssl kdf -keylen " + std::to_string(length) +
            " -kdfopt digest:SHA1 -kdfopt hexpass:" + to_hex(pass) + " -kdfopt hexsalt:" +
            to_hex(salt) + " -kdfopt iter:" + std::to_string(iterations) + " PBKDF2 | tr -d ':'"));
        EXPECT_EQ(to_hex(ours), theirs) << "pass " << to_hex(pass) << " iter " << iterations;
    }
}

PrngBlock block(std::string_view hex) {
    const Bytes b = from_hex(hex);
    PrngBlock out{};
    std::copy(b.begin(), b.end(), out.begin());
    return out;
}

std::string run_generator(std::string_view key_hex, std::string_view dt, std::string_view v,
                          int steps) {
    const Bytes key = from_hex(key_hex);
    PrngState state;
    EXPECT_TRUE(prng_set_key(state, key.data(), key.size()));
    state.dt = block(dt);
    state.v = block(v);
    PrngBlock r{};
    for (int i = 0; i < steps; ++i)
        EXPECT_TRUE(prng_next_block(state, r));
    return to_hex(r);
}

// The self-test's vectors are published Monte Carlo results too (SelfTest.PassesQuietly...).
TEST(Generator, PublishedSingleStepVectors) {
    const std::string_view key = "f3b1666d13607242ed061cabb8d46202";
    EXPECT_EQ(run_generator(key, "e6b3be782a23fa62d71d4afbb0e922f9",
                            "80000000000000000000000000000000", 1),
              "59531ed13bb0c05584796685c12f7641");
    EXPECT_EQ(run_generator(key, "e6b3be782a23fa62d71d4afbb0e922fd",
                            "f8000000000000000000000000000000", 1),
              "052592466179d2cb78c40b140a5a9ac8");
}

TEST(Generator, CounterNeverCarriesIntoByteZero) {
    // From a counter three steps short of wrapping bytes 1..15: the published result of the
    // variant whose byte 0 never changes, not the one of a full 128-bit increment.
    EXPECT_EQ(run_generator("9f5b51200bf334b5d82be8c37255c848", "63fffffffffffffffffffffffffffffa",
                            "572c8e76872647977e74fbddc49501d1", 10000),
              "f46f2f31668c3cfff642e4e2f604c2c3");
}

TEST(Generator, UnkeyedStateAndBadKeyLengthAreRefused) {
    PrngState state;
    PrngBlock out{};
    EXPECT_FALSE(prng_next_block(state, out));
    const Bytes key(20, 1);
    EXPECT_FALSE(prng_set_key(state, key.data(), key.size()));
    EXPECT_FALSE(prng_refresh_salt(state));
}

TEST(Generator, SeedingAndSaltRefresh) {
    PrngState state;
    const PrngKey salt = block("000102030405060708090a0b0c0d0e0f");
    const auto before = std::chrono::system_clock::now();
    ASSERT_TRUE(prng_seed(state, salt));
    EXPECT_EQ(state.key_value, salt);
    EXPECT_EQ(state.v, PrngBlock{});
    std::uint64_t seconds = 0;
    for (int i = 7; i >= 0; --i)
        seconds = seconds << 8 | state.dt[static_cast<std::size_t>(i)];
    const auto now =
        std::chrono::duration_cast<std::chrono::seconds>(before.time_since_epoch()).count();
    EXPECT_NEAR(static_cast<double>(seconds), static_cast<double>(now), 2.0);
    EXPECT_EQ(to_hex(state.dt.data() + 12, 4), "00000000");

    // The refresh draws one block under the running key and keeps that key running: a twin
    // generator under the old key gives the same next output.
    PrngState twin;
    ASSERT_TRUE(prng_set_key(twin, salt.data(), salt.size()));
    twin.v = state.v;
    twin.dt = state.dt;
    const auto fresh = prng_refresh_salt(state);
    ASSERT_TRUE(fresh);
    PrngBlock expected{}, next{};
    ASSERT_TRUE(prng_next_block(twin, expected));
    EXPECT_EQ(*fresh, expected);
    EXPECT_EQ(state.key_value, expected);
    ASSERT_TRUE(prng_next_block(twin, expected));
    ASSERT_TRUE(prng_next_block(state, next));
    EXPECT_EQ(next, expected);

    PrngState plain;
    ASSERT_TRUE(prng_seed(plain, std::nullopt));
    EXPECT_EQ(plain.key_value, prng_default_key);
}

TEST(SelfTest, PassesQuietlyAndSeedsTheProgramGenerator) {
    test::RecordingPresenter presenter;
    const PrngKey salt = block("ffeeddccbbaa99887766554433221100");
    EXPECT_TRUE(crypto_self_test(presenter, salt));
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(config_prng.key_value, salt);
    PrngBlock out{};
    EXPECT_TRUE(prng_next_block(config_prng, out));
}

TEST(SelfTest, CorruptedVectorsShowTheirFailure) {
    // The three generator vectors, then the five derivation vectors.
    for (std::size_t n = 0; n < 8; ++n) {
        SelfTestVectors vectors = builtin_self_test_vectors();
        if (n < 3) {
            vectors.prng_expected[n][15] ^= 1;
        } else {
            vectors.derivation[n - 3].expected[0] ^= 0x80;
        }
        test::RecordingPresenter presenter;
        EXPECT_FALSE(crypto_self_test(presenter, std::nullopt, vectors));
        ASSERT_EQ(presenter.shown.size(), 1u);
        EXPECT_EQ(presenter.last().routine, test::Routine::internal_error);
        EXPECT_EQ(presenter.last().text, n < 3 ? "AES PRNG test failed." : "HMAC test failed.");
    }
}

} // namespace
} // namespace vornex
