#pragma once
// The SFTP password as the device takes it: AES-128-CFB128 under a fixed key, with an IV of a
// fixed 12-character prefix and the primary controller's serial number (big-endian), written
// as lower-case hexadecimal pairs. Whatever decrypts it on the device uses the same constants.

#include "base/presenter.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vornex {

// The encoding of `text`: one "%02x" pair per byte, each followed by a blank when the text
// has more than one character. Empty for an empty text, and after an OpenSSL failure, which
// has been shown with internal_error_box. `serial_1` is the Box's primary controller serial.
std::string device_password_encrypt(Presenter& presenter, std::uint32_t serial_1,
                                    std::string_view text);

// The cipher's constants, built at run time so that they are not readable in the binary.
std::array<std::uint8_t, 16> device_password_key();
std::array<std::uint8_t, 16> device_password_iv(std::uint32_t serial_1);

} // namespace vornex
