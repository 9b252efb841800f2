#pragma once
// The encrypted form of a device configuration file. The image is one 16-byte header block H
// from `config_prng` (top bit of byte 0 set, which is how a reader tells it from plain text),
// then AES-256-CBC without padding (IV = H, key = PBKDF2-HMAC-SHA1(password, H, 72 rounds))
// over: a SHA-1 digest of the whole plain image taken with the digest bytes blank, the
// configuration text with "\n" line ends, a zero byte, and blanks up to a whole block.

#include "base/presenter.h"
#include "config/prng.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vornex {

inline constexpr std::size_t config_header_size = 16;
inline constexpr std::size_t config_digest_offset = 16;
inline constexpr std::size_t config_text_offset = 36;
inline constexpr std::uint32_t config_key_iterations = 72;

// L for a text of T bytes: T + 72 rounded up to a multiple of 16.
std::size_t config_image_length(std::size_t text_length);

// Builds the encrypted image of `text` under `password`. False after an internal error
// (no generator output, or OpenSSL failed) has been shown.
bool config_image_encrypt(Presenter& presenter, std::string_view text, std::string_view password,
                          PrngState& prng, std::vector<std::uint8_t>& image);

enum class DecryptResult { ok, mismatch, internal_error };

// Decrypts a file image in place and checks its digest. On `ok` the text (with its zero byte
// and blank fill) is image[config_text_offset, size). `mismatch` means a wrong password or a
// damaged file and is left for the caller to report; `internal_error` has been shown.
DecryptResult config_image_decrypt(Presenter& presenter, std::span<std::uint8_t> image,
                                   std::string_view password);

} // namespace vornex
