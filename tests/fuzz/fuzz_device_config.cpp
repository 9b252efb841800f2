// The device configuration file reader on any file: as it stands (plain text, or an
// encrypted image when its first byte has the top bit set), and, for a plain input, the
// same text encrypted by the program's own writer, so that the decrypted text with its
// fill goes through the reader too. The password is the one the encrypted seeds were
// written with.
#include "config/config_cipher.h"
#include "config/device_config.h"
#include "config/password_prompt.h"
#include "fuzz_support.h"

namespace {

using namespace vornex;

const char* const password = "Fuzz-Pass1!";

struct FixedPassword : PasswordPrompt {
    std::optional<std::string> ask_config_password(OwnerWindow,
                                                   const std::filesystem::path&) override {
        return password;
    }
};

void read(std::string_view bytes) {
    fuzz::QuietPresenter presenter;
    FixedPassword prompt;
    device_config config;
    device_config_read(presenter, prompt, {}, fuzz::write_input("device.lcf", bytes), config);
    // Whatever was read is written back as text without tripping over its own values.
    device_config_text(config);
    device_config_refusal(config);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::as_text(data, size);
    read(bytes);
    if (size > 0 && (data[0] & 0x80) == 0 && size < 4096) {
        fuzz::QuietPresenter presenter;
        PrngState prng;
        std::vector<std::uint8_t> image;
        // A fixed key and counter: the same input makes the same image every time.
        if (prng_set_key(prng, prng_default_key.data(), prng_default_key.size()) &&
            config_image_encrypt(presenter, bytes, password, prng, image))
            read(fuzz::as_text(image.data(), image.size()));
    }
    return 0;
}
