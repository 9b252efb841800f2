#include "config/device_password.h"

#include <cstdio>
#include <memory>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace vornex {

namespace {

// The constants are kept masked and unmasked through a volatile mask, so that neither text
// appears in the binary.
template <std::size_t N>
struct Masked {
    std::array<std::uint8_t, N> bytes{};
    constexpr explicit Masked(const char (&text)[N + 1]) {
        for (std::size_t i = 0; i < N; ++i) {
            bytes[i] = static_cast<std::uint8_t>(text[i] ^ mask(i));
        }
    }
    static constexpr std::uint8_t mask(std::size_t i) {
        return static_cast<std::uint8_t>(0xA5 + 29 * i);
    }
};

constexpr Masked<16> masked_key("Vx4150-R!pKey#9q");
constexpr Masked<12> masked_iv_prefix("R4150-sftpIV");

template <std::size_t N>
void unmask(const Masked<N>& masked, std::uint8_t* out) {
    volatile std::uint8_t step = 29;
    for (std::size_t i = 0; i < N; ++i) {
        out[i] = static_cast<std::uint8_t>(masked.bytes[i] ^ (0xA5 + step * i));
    }
}

std::string fail(Presenter& presenter, const char* text) {
    internal_error_box(presenter, "%s", text);
    return {};
}

} // namespace

std::array<std::uint8_t, 16> device_password_key() {
    std::array<std::uint8_t, 16> key;
    unmask(masked_key, key.data());
    return key;
}

std::array<std::uint8_t, 16> device_password_iv(std::uint32_t serial_1) {
    std::array<std::uint8_t, 16> iv;
    unmask(masked_iv_prefix, iv.data());
    for (std::size_t i = 0; i < 4; ++i) {
        iv[12 + i] = static_cast<std::uint8_t>(serial_1 >> (24 - 8 * i));
    }
    return iv;
}

std::string device_password_encrypt(Presenter& presenter, std::uint32_t serial_1,
                                    std::string_view text) {
    if (text.empty()) {
        return {};
    }
    std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> cipher{EVP_CIPHER_CTX_new(),
                                                                      EVP_CIPHER_CTX_free};
    if (!cipher) {
        return fail(presenter, "OpenSSL Error\r\n\r\n\r\nEVP_CIPHER_CTX_new failed.");
    }
    std::array<std::uint8_t, 16> key = device_password_key();
    const std::array<std::uint8_t, 16> iv = device_password_iv(serial_1);
    const int init =
        EVP_EncryptInit_ex(cipher.get(), EVP_aes_128_cfb128(), nullptr, key.data(), iv.data());
    OPENSSL_cleanse(key.data(), key.size());
    if (init != 1) {
        return fail(presenter, "OpenSSL Error\r\n\r\n\r\nEVP_EncryptInit(aes_128_cfb) failed.");
    }
    // CFB is a stream mode: the ciphertext is exactly as long as the text.
    std::string cipher_text(text.size() + 16, '\0');
    auto* out = reinterpret_cast<unsigned char*>(cipher_text.data());
    int written = 0;
    if (EVP_EncryptUpdate(cipher.get(), out, &written,
                          reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size())) != 1) {
        return fail(presenter, "OpenSSL Error\r\n\r\n\r\nEVP_EncryptUpdate(aes_128_cfb) failed.");
    }
    int tail = 0;
    if (EVP_EncryptFinal_ex(cipher.get(), out + written, &tail) != 1) {
        return fail(presenter, "OpenSSL Error\r\n\r\n\r\nEVP_EncryptFinal(aes_128_cfb) failed.");
    }
    cipher_text.resize(static_cast<std::size_t>(written + tail));

    const bool spaced = text.size() > 1;
    std::string encoded;
    for (unsigned char byte : cipher_text) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        encoded += pair;
        if (spaced) {
            encoded += ' ';
        }
    }
    OPENSSL_cleanse(cipher_text.data(), cipher_text.size());
    return encoded;
}

} // namespace vornex
