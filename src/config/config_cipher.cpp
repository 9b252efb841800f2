#include "config/config_cipher.h"

#include "config/hmac_sha1.h"

#include <algorithm>
#include <array>
#include <memory>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace vornex {

namespace {

using Key = std::array<std::uint8_t, 32>;

Key derive_key(std::string_view password, const std::uint8_t* header) {
    Key key;
    pbkdf2_hmac_sha1(password.data(), password.size(), header, config_header_size,
                     config_key_iterations, key.data(), key.size());
    return key;
}

// AES-256-CBC without padding over whole blocks, in place; the key is wiped either way.
bool cbc_in_place(Presenter& presenter, bool encrypt, Key& key, const std::uint8_t* iv,
                  std::uint8_t* data, std::size_t length) {
    const char* step = encrypt ? "EVP_EncryptInit(aes_256_cbc)" : "EVP_DecryptInit(aes_256_cbc)";
    std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> cipher{EVP_CIPHER_CTX_new(),
                                                                      EVP_CIPHER_CTX_free};
    bool ok = cipher != nullptr;
    if (!ok) {
        step = "EVP_CIPHER_CTX_new";
    } else {
        ok = EVP_CipherInit_ex(cipher.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv,
                               encrypt ? 1 : 0) == 1 &&
             EVP_CIPHER_CTX_set_padding(cipher.get(), 0) == 1;
    }
    OPENSSL_cleanse(key.data(), key.size());
    int written = 0;
    if (ok && length != 0) {
        step = encrypt ? "EVP_EncryptUpdate(aes_256_cbc)" : "EVP_DecryptUpdate(aes_256_cbc)";
        ok = EVP_CipherUpdate(cipher.get(), data, &written, data, static_cast<int>(length)) == 1 &&
             written == static_cast<int>(length);
    }
    if (ok) {
        step = encrypt ? "EVP_EncryptFinal(aes_256_cbc)" : "EVP_DecryptFinal(aes_256_cbc)";
        ok = EVP_CipherFinal_ex(cipher.get(), data + length, &written) == 1 && written == 0;
    }
    if (!ok) {
        internal_error_box(presenter, "OpenSSL Error\r\n\r\n\r\n%s failed.", step);
    }
    return ok;
}

Sha1Digest digest_with_blank_field(std::span<std::uint8_t> image) {
    std::fill_n(image.begin() + config_digest_offset, sha1_digest_size, ' ');
    return sha1(image.data(), image.size());
}

} // namespace

std::size_t config_image_length(std::size_t text_length) {
    return (text_length + 72 + 15) / 16 * 16;
}

bool config_image_encrypt(Presenter& presenter, std::string_view text, std::string_view password,
                          PrngState& prng, std::vector<std::uint8_t>& image) {
    PrngBlock header;
    if (!prng_next_block(prng, header)) {
        internal_error_box(presenter, "AES PRNG not seeded.");
        return false;
    }
    header[0] |= 0x80;
    image.assign(config_image_length(text.size()), ' ');
    std::copy(header.begin(), header.end(), image.begin());
    std::copy(text.begin(), text.end(), image.begin() + config_text_offset);
    image[config_text_offset + text.size()] = 0;
    const Sha1Digest digest = digest_with_blank_field(image);
    std::copy(digest.begin(), digest.end(), image.begin() + config_digest_offset);

    Key key = derive_key(password, header.data());
    return cbc_in_place(presenter, true, key, header.data(), image.data() + config_header_size,
                        image.size() - config_header_size);
}

DecryptResult config_image_decrypt(Presenter& presenter, std::span<std::uint8_t> image,
                                   std::string_view password) {
    // Too short to hold its digest: damaged, whatever the password.
    if (image.size() < config_text_offset) {
        return DecryptResult::mismatch;
    }
    // A trailing partial block stays as it is; it can only make the digest differ.
    const std::size_t whole = (image.size() - config_header_size) / 16 * 16;
    Key key = derive_key(password, image.data());
    std::array<std::uint8_t, config_header_size> iv;
    std::copy_n(image.begin(), iv.size(), iv.begin());
    if (!cbc_in_place(presenter, false, key, iv.data(), image.data() + config_header_size, whole)) {
        return DecryptResult::internal_error;
    }
    Sha1Digest stored;
    std::copy_n(image.begin() + config_digest_offset, stored.size(), stored.begin());
    const Sha1Digest digest = digest_with_blank_field(image);
    return CRYPTO_memcmp(stored.data(), digest.data(), digest.size()) == 0
               ? DecryptResult::ok
               : DecryptResult::mismatch;
}

} // namespace vornex
