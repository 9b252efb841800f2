// Encrypted device configuration files, checked with the openssl tool as the independent
// peer, and the device password encoding.
#include "config/config_cipher.h"
#include "config/device_config.h"
#include "config/device_password.h"
#include "config/self_test.h"
#include "crypto_test_util.h"
#include "recording_presenter.h"
#include "scripted_prompt.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace vornex {
namespace {

using test::Bytes;
using test::run_command;
using test::to_hex;

const std::string password = "Corr3ct-Horse";

class EncryptedFile : public ::testing::Test {
protected:
    void SetUp() override {
        test::RecordingPresenter quiet;
        ASSERT_TRUE(crypto_self_test(quiet, std::nullopt));
        device_config_set_defaults(written);
        written.hostname = "10.20.30.40";
        written.get_community = "secret community";
        written.auth_key = "k3y";
        written.encrypted = true;
        written.password = password;
    }

    int read_with(const std::optional<std::string>& answer) {
        prompt.answers = {answer};
        return device_config_read(presenter, prompt, {}, file, config);
    }
    std::string decrypt_message() const {
        return "**File Error\r\n\r\n\r\nUnable to decrypt file " + file.string() +
               "\r\n\r\nIncorrect password or corrupt file.";
    }

    test::ScratchDir dir;
    std::filesystem::path file = dir / "secret.lcf";
    test::RecordingPresenter presenter;
    test::ScriptedPrompt prompt;
    device_config written;
    device_config config;
};

TEST_F(EncryptedFile, ReadsBackWithItsPasswordOnly) {
    ASSERT_EQ(device_config_write(presenter, {}, file, written), 0);
    ASSERT_EQ(read_with(password), 0);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(prompt.asked_for, std::vector<std::filesystem::path>{file});
    EXPECT_EQ(device_config_text(config), device_config_text(written));
    EXPECT_TRUE(config.encrypted);
    EXPECT_EQ(config.password, password);
    EXPECT_EQ(config.verify_password, password);

    // Passwords are case-sensitive, every character counts, and empty is just wrong.
    for (const std::string wrong : {"corr3ct-horse", "Corr3ct-Hors", "Corr3ct-Horse ", ""}) {
        presenter.clear();
        EXPECT_EQ(read_with(wrong), 1) << wrong;
        EXPECT_EQ(presenter.texts(), std::vector<std::string>{decrypt_message()});
        EXPECT_FALSE(config.encrypted);
        EXPECT_EQ(config.password, "");
    }
    presenter.clear();
    EXPECT_EQ(read_with(std::nullopt), 1);
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(EncryptedFile, LengthAndMarkerByte) {
    EXPECT_EQ((std::array{config_image_length(0), config_image_length(8), config_image_length(9)}),
              (std::array<std::size_t, 3>{80, 80, 96}));

    // A record whose text is exactly 200 bytes.
    const std::size_t base = device_config_text(written).size();
    written.hostname += std::string(200 - base, 'h');
    ASSERT_EQ(device_config_text(written).size(), 200u);
    Bytes previous_header;
    for (int n = 0; n < 20; ++n) {
        ASSERT_EQ(device_config_write(presenter, {}, file, written), 0);
        const Bytes bytes = test::read_file(file);
        EXPECT_EQ(bytes.size(), 272u);
        EXPECT_GE(bytes[0], 0x80);
        // Every save of the same record has a header of its own.
        EXPECT_NE(Bytes(bytes.begin(), bytes.begin() + 16), previous_header);
        previous_header.assign(bytes.begin(), bytes.begin() + 16);
    }
}

TEST_F(EncryptedFile, DecryptsWithOpensslAndItsDigestChecksOut) {
    ASSERT_EQ(device_config_write(presenter, {}, file, written), 0);
    const Bytes image = test::read_file(file);
    const std::string header = to_hex(image.data(), 16);
    const std::string key = test::last_hex_word(
        run_command("openssl kdf -keylen 32 -kdfopt digest:SHA1 -kdfopt pass:" + password +
                    " -kdfopt hexsalt:" + header + " -kdfopt iter:72 PBKDF2 | tr -d ':'"));
    ASSERT_EQ(key.size(), 64u);
    const auto body = dir / "body";
    test::write_file(body, Bytes(image.begin() + 16, image.end()));
    int status = -1;
    const std::string plain = run_command("openssl enc -d -aes-256-cbc -nopad -K " + key + " -iv " +
                                              header + " -in " + body.string(),
                                          &status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(plain.size(), image.size() - 16);

    // The plain image: header, digest, the LF text, a zero byte and blanks.
    Bytes whole = image;
    std::copy(plain.begin(), plain.end(), whole.begin() + 16);
    const std::string text = device_config_text(written);
    EXPECT_EQ(std::string(whole.begin() + 36, whole.begin() + 36 + text.size()), text);
    EXPECT_EQ(whole[36 + text.size()], 0);
    EXPECT_EQ(whole.size(), config_image_length(text.size()));
    for (std::size_t i = 37 + text.size(); i < whole.size(); ++i)
        EXPECT_EQ(whole[i], ' ') << i;
    const std::string digest = to_hex(whole.data() + 16, 20);
    std::fill(whole.begin() + 16, whole.begin() + 36, ' ');
    const auto blanked = dir / "blanked";
    test::write_file(blanked, whole);
    EXPECT_EQ(test::last_hex_word(run_command("openssl dgst -sha1 " + blanked.string())), digest);
}

TEST_F(EncryptedFile, EveryChangeIsCaught) {
    // A fixed generator state makes the header, and so this test, the same every run.
    const PrngKey fixed = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_TRUE(prng_set_key(config_prng, fixed.data(), fixed.size()));
    config_prng.v = {};
    config_prng.dt = {};
    ASSERT_EQ(device_config_write(presenter, {}, file, written), 0);
    const Bytes good = test::read_file(file);

    const auto expect_rejected = [&](const Bytes& bad, const std::string& what) {
        test::write_file(file, bad);
        presenter.clear();
        EXPECT_EQ(read_with(password), 1) << what;
        EXPECT_EQ(presenter.texts(), std::vector<std::string>{decrypt_message()}) << what;
    };
    for (std::size_t i = 1; i < good.size(); ++i) {
        Bytes bad = good;
        bad[i] ^= static_cast<std::uint8_t>(1 + i % 255);
        expect_rejected(bad, "byte " + std::to_string(i));
    }
    for (int bit = 0; bit < 7; ++bit) {
        Bytes bad = good;
        bad[0] ^= static_cast<std::uint8_t>(1 << bit);
        expect_rejected(bad, "bit " + std::to_string(bit));
    }
    // Cut short, cut inside a block, one block more, and too short for a digest.
    expect_rejected(Bytes(good.begin(), good.end() - 16), "one block less");
    expect_rejected(Bytes(good.begin(), good.end() - 5), "partial block");
    Bytes longer = good;
    longer.insert(longer.end(), good.end() - 16, good.end());
    expect_rejected(longer, "one block more");
    expect_rejected(Bytes(good.begin(), good.begin() + 20), "twenty bytes");

    // Without its top bit the file is taken for plain text, which it is not: no password, and
    // the read fails with the one message for a file that cannot be parsed.
    Bytes plain = good;
    plain[0] &= 0x7F;
    test::write_file(file, plain);
    presenter.clear();
    prompt.asked_for.clear();
    EXPECT_EQ(device_config_read(presenter, prompt, {}, file, config), 1);
    EXPECT_TRUE(prompt.asked_for.empty());
    EXPECT_EQ(presenter.texts(),
              std::vector<std::string>{"!!Config File Error\r\n\r\n\r\nError parsing file " +
                                       file.string() +
                                       "\r\n\r\nToo many errors parsing file.\r\n\r\nVerify "
                                       "correct file was selected."});

    test::write_file(file, good);
    presenter.clear();
    EXPECT_EQ(read_with(password), 0);
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(EncryptedFile, AnswersLongerThanThePasswordFieldAreCut) {
    written.password = std::string(39, 'p');
    ASSERT_EQ(device_config_write(presenter, {}, file, written), 0);
    EXPECT_EQ(read_with(std::string(39, 'p') + "extra"), 0);
    EXPECT_EQ(config.password, std::string(39, 'p'));
}

TEST(DevicePassword, EncodingAgreesWithOpenssl) {
    test::RecordingPresenter presenter;
    const std::uint32_t serial = 0x0A1B2C3D;
    const auto key = device_password_key();
    const auto iv = device_password_iv(serial);
    EXPECT_EQ(to_hex(iv.data() + 12, 4), "0a1b2c3d");
    const auto printable = [](std::uint8_t c) { return c >= 0x21 && c < 0x7F; };
    EXPECT_TRUE(std::ranges::all_of(key, printable));
    EXPECT_TRUE(std::all_of(iv.begin(), iv.begin() + 12, printable));

    const auto openssl_hex = [&](const std::string& text) {
        return run_command("printf '%s' '" + text + "' | openssl enc -aes-128-cfb -K " +
                           to_hex(key) + " -iv " + to_hex(iv) + " | od -An -v -tx1 | tr -d ' \\n'");
    };
    EXPECT_EQ(device_password_encrypt(presenter, serial, "x"), openssl_hex("x"));

    const std::string three = device_password_encrypt(presenter, serial, "abc");
    const std::string theirs = openssl_hex("abc");
    EXPECT_EQ(three,
              theirs.substr(0, 2) + " " + theirs.substr(2, 2) + " " + theirs.substr(4, 2) + " ");

    const std::string text(35, 'Q');
    const std::string long_one = device_password_encrypt(presenter, serial, text);
    EXPECT_EQ(long_one.size(), 105u); // 107 characters and the terminator fit the buffer
    std::string packed = long_one;
    std::erase(packed, ' ');
    EXPECT_EQ(packed, openssl_hex(text));

    EXPECT_EQ(device_password_encrypt(presenter, serial, ""), "");
    EXPECT_TRUE(presenter.shown.empty());
}

} // namespace
} // namespace vornex
