#include "config/device_config.h"

#include "base/file_replace.h"
#include "config/config_cipher.h"
#include "config/password_prompt.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <openssl/crypto.h>
#include <span>
#include <vector>

namespace vornex {

const char* auth_protocol_name(int protocol) {
    return protocol == auth_md5 ? "md5" : protocol == auth_sha ? "sha" : "none";
}

const char* priv_protocol_name(int protocol) {
    return protocol == priv_des ? "des" : protocol == priv_aes ? "aes" : "none";
}

bool password_strong_enough(std::string_view password) {
    bool upper = false, lower = false, digit = false, other = false;
    for (char c : password) {
        const bool is_upper = c >= 'A' && c <= 'Z';
        const bool is_lower = c >= 'a' && c <= 'z';
        const bool is_digit = c >= '0' && c <= '9';
        upper |= is_upper;
        lower |= is_lower;
        digit |= is_digit;
        other |= !is_upper && !is_lower && !is_digit;
    }
    return password.size() >= 8 && upper + lower + digit + other >= 3;
}

void device_config_set_defaults(device_config& config) {
    config = device_config{};
    config.file_name = "newdevice.lcf";
    config.hostname = "192.168.0.1";
    config.get_community = "public";
    config.set_community = "public";
}

namespace {

constexpr std::size_t read_buffer_size = 8096;
constexpr std::size_t keyword_limit = 25;

// --- UTF-8 and the 260-unit wide path field -----------------------------------------------

// Length in bytes of the UTF-8 character at text[i], or 0 when the bytes there are not one;
// `units` gets its length in UTF-16 code units.
std::size_t utf8_char(std::string_view text, std::size_t i, std::size_t& units) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length;
    std::uint32_t code;
    if (lead < 0x80) {
        units = 1;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    units = code >= 0x10000 ? 2 : 1;
    return length;
}

// Cuts UTF-8 text to at most `max_units` UTF-16 units without splitting a character; false
// when the text is not UTF-8.
bool cut_to_wide_units(std::string& text, std::size_t max_units) {
    std::size_t units_so_far = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t units = 0;
        const std::size_t length = utf8_char(text, i, units);
        if (length == 0) {
            return false;
        }
        if (units_so_far + units > max_units) {
            text.resize(i);
            return true;
        }
        units_so_far += units;
        i += length;
    }
    return true;
}

std::string cut_to(std::string_view value, std::size_t field_size) {
    return std::string(value.substr(0, field_size - 1));
}

// --- Writing ------------------------------------------------------------------------------

std::string with_crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

// --- Reading ------------------------------------------------------------------------------

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool same_text(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
               return lower(x) == lower(y);
           });
}

// One line taken apart as the file format reads it: a keyword of at most 25 characters, a
// value token, and the text of a quoted value.
struct Line {
    std::string keyword;
    std::string_view token;  // empty when the line has none
    std::string_view quoted; // the text after the first '"' up to the next one or the end
    bool has_quote = false;
};

Line split_line(std::string_view text) {
    Line line;
    std::size_t i = 0;
    const auto skip_space = [&] {
        while (i < text.size() && is_space(text[i])) {
            ++i;
        }
    };
    const auto word = [&] {
        const std::size_t start = i;
        while (i < text.size() && !is_space(text[i])) {
            ++i;
        }
        return text.substr(start, i - start);
    };
    skip_space();
    line.keyword = std::string(word().substr(0, keyword_limit));
    skip_space();
    if (i < text.size() && text[i] == '"') {
        const std::size_t start = i + 1;
        const std::size_t end = std::min(text.find('"', start), text.size());
        line.quoted = text.substr(start, end - start);
        line.has_quote = true;
    }
    line.token = word();
    return line;
}

class Parser {
public:
    Parser(Presenter& presenter, OwnerWindow owner, device_config& config)
        : presenter_(presenter), owner_(owner), config_(config) {}

    // False when the line was bad (its message has been shown).
    bool apply(const Line& line);

private:
    bool fail_too_long(const Line& line, std::size_t field_size) {
        error_dialog(presenter_, owner_,
                     "Config File Error\r\n\r\n\r\n\r\n%s value is longer than %zu characters.",
                     line.keyword.c_str(), field_size - 1);
        return false;
    }

    bool store(const Line& line, std::string_view value, std::string& field,
               std::size_t field_size) {
        if (value.size() >= field_size) {
            return fail_too_long(line, field_size);
        }
        field = value;
        return true;
    }

    bool hostname(const Line& line);
    bool snmp(const Line& line);
    bool auth_protocol(const Line& line);
    bool priv_protocol(const Line& line);
    bool comment_file(const Line& line);

    Presenter& presenter_;
    OwnerWindow owner_;
    device_config& config_;
};

bool Parser::hostname(const Line& line) {
    if (line.token.empty()) {
        error_dialog(presenter_, owner_,
                     "Config File Error\r\n\r\n\r\n\r\n%s keyword requires an IP address or "
                     "hostname.",
                     line.keyword.c_str());
        return false;
    }
    return store(line, line.token, config_.hostname, hostname_field_size);
}

bool Parser::snmp(const Line& line) {
    if (line.token.empty()) {
        error_dialog(presenter_, owner_,
                     "Config File Error\r\n\r\n\r\n\r\n%s keyword requires version [1 or 3]",
                     line.keyword.c_str());
        return false;
    }
    // Read as a decimal number from the start of the token, as "3\r" or "3x" were always read.
    const std::string token(line.token);
    const long version = std::strtol(token.c_str(), nullptr, 10);
    if (version == 1 || version == 3) {
        config_.snmp_version = version == 3 ? snmp_version_3 : snmp_version_1;
        return true;
    }
    error_dialog(presenter_, owner_, "Config File Error\r\n\r\n\r\n\r\n%s version, must be 1 or 3.",
                 line.keyword.c_str());
    return false;
}

bool Parser::auth_protocol(const Line& line) {
    if (line.token.empty()) {
        error_dialog(presenter_, owner_,
                     "Config File Error\r\n\r\n\r\n%s keyword requires protocol\r\n\r\n[MD5 | SHA "
                     "| None]",
                     line.keyword.c_str());
        return false;
    }
    for (const int code : {auth_md5, auth_sha, auth_none}) {
        if (same_text(line.token, auth_protocol_name(code))) {
            config_.auth_protocol = code;
            return true;
        }
    }
    error_dialog(presenter_, owner_, "Config File Error\r\n\r\n\r\n%s %s\r\n\r\ninvalid protocol",
                 line.keyword.c_str(), std::string(line.token).c_str());
    return false;
}

bool Parser::priv_protocol(const Line& line) {
    if (line.token.empty()) {
        error_dialog(presenter_, owner_,
                     "Config File Error\r\n\r\n\r\n%s keyword requires protocol\r\n\r\n [DES | "
                     "AES | None]",
                     line.keyword.c_str());
        return false;
    }
    for (const int code : {priv_des, priv_aes, priv_none}) {
        if (same_text(line.token, priv_protocol_name(code))) {
            config_.priv_protocol = code;
            return true;
        }
    }
    error_dialog(presenter_, owner_, "Config File Error\r\n\r\n\r\n%s %s\r\n\r\n invalid protocol",
                 line.keyword.c_str(), std::string(line.token).c_str());
    return false;
}

bool Parser::comment_file(const Line& line) {
    if (line.token.empty()) {
        return true;
    }
    std::string value(line.has_quote ? line.quoted : line.token);
    if (value.empty()) {
        return true;
    }
    if (!cut_to_wide_units(value, path_field_size - 1)) {
        error_dialog(presenter_, owner_,
                     "Config File Error\r\n\r\n\r\n\r\n%s path is not valid UTF-8.",
                     line.keyword.c_str());
        return false;
    }
    config_.comment_file = std::filesystem::path(std::u8string(value.begin(), value.end()));
    return true;
}

bool Parser::apply(const Line& line) {
    const std::string_view keyword = line.keyword;
    const std::pair<const char*, std::string*> quoted_fields[] = {
        {"get_community", &config_.get_community},
        {"set_community", &config_.set_community},
        {"security_username", &config_.security_username},
        {"context_name", &config_.context_name},
    };
    for (const auto& [name, field] : quoted_fields) {
        if (same_text(keyword, name)) {
            // Only a quoted, non-empty value counts; anything else leaves the field alone.
            return line.quoted.empty() || store(line, line.quoted, *field, name_field_size);
        }
    }
    const std::pair<const char*, std::string*> key_fields[] = {
        {"auth_key", &config_.auth_key},
        {"priv_key", &config_.priv_key},
    };
    for (const auto& [name, field] : key_fields) {
        if (same_text(keyword, name)) {
            return line.token.empty() || store(line, line.token, *field, key_field_size);
        }
    }
    if (same_text(keyword, "hostname")) {
        return hostname(line);
    }
    if (same_text(keyword, "snmp")) {
        return snmp(line);
    }
    if (same_text(keyword, "auth_protocol")) {
        return auth_protocol(line);
    }
    if (same_text(keyword, "priv_protocol")) {
        return priv_protocol(line);
    }
    if (same_text(keyword, "comment_file")) {
        return comment_file(line);
    }
    error_dialog(presenter_, owner_, "Config File Error\r\n\r\n\r\n\r\nUnknown keyword %s",
                 line.keyword.c_str());
    return false;
}

constexpr int error_limit = 5;

void report_unparsable(Presenter& presenter, OwnerWindow owner, const std::filesystem::path& file) {
    error_dialog(presenter, owner,
                 "!!Config File Error\r\n\r\n\r\nError parsing file %s\r\n\r\nToo many errors "
                 "parsing file.\r\n\r\nVerify correct file was selected.",
                 display_path(file).c_str());
}

// Whether a plain file is text at all: a byte below a blank that is not white space (a zero
// byte, for one) is in no file the writer made, but in every encrypted file that lost the
// top bit of its first byte. Its lines are not shown to the operator as keywords.
bool is_text(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) {
        return (byte >= 0x20 && byte != 0x7F) || is_space(static_cast<char>(byte));
    });
}

} // namespace

std::optional<ConfigFieldRefusal> device_config_refusal(const device_config& config) {
    struct Rule {
        ConfigField field;
        std::string_view value;
        std::size_t limit;
        bool quoted;
        bool required;
    };
    const std::string comment_file = display_path(config.comment_file);
    const Rule rules[] = {
        {ConfigField::hostname, config.hostname, hostname_field_size - 1, false, true},
        {ConfigField::get_community, config.get_community, name_field_size - 1, true, false},
        {ConfigField::set_community, config.set_community, name_field_size - 1, true, false},
        {ConfigField::security_username, config.security_username, name_field_size - 1, true,
         false},
        {ConfigField::context_name, config.context_name, name_field_size - 1, true, false},
        {ConfigField::auth_key, config.auth_key, key_field_size - 1, false, false},
        {ConfigField::priv_key, config.priv_key, key_field_size - 1, false, false},
        {ConfigField::comment_file, comment_file, path_field_size - 1, true, false},
    };
    for (const Rule& rule : rules) {
        bool fits = !rule.required || !rule.value.empty();
        if (rule.field == ConfigField::comment_file) {
            // The path field counts wide characters, as the reader cuts it.
            std::string cut(rule.value);
            fits = fits && cut_to_wide_units(cut, rule.limit) && cut.size() == rule.value.size();
        } else {
            fits = fits && rule.value.size() <= rule.limit;
        }
        for (const char c : rule.value) {
            const auto u = static_cast<unsigned char>(c);
            fits = fits && u >= 0x20 && u != 0x7F && c != (rule.quoted ? '"' : ' ');
        }
        if (!fits) {
            return ConfigFieldRefusal{
                rule.field, std::string("must be ") + (rule.required ? "1 to " : "at most ") +
                                std::to_string(rule.limit) +
                                " characters, without control characters" +
                                (rule.quoted ? " or double quotes" : " or blanks")};
        }
    }
    return std::nullopt;
}

std::string device_config_text(const device_config& config) {
    std::string comment = display_path(config.comment_file);
    cut_to_wide_units(comment, path_field_size - 1); // a path not in UTF-8 is written as it is
    std::string text;
    const auto line = [&](std::string_view keyword, std::string_view value, bool quoted) {
        text.append(keyword).append(" ");
        if (quoted) {
            text.append("\"").append(value).append("\"");
        } else {
            text.append(value);
        }
        text.append("\n");
    };
    line("hostname", cut_to(config.hostname, hostname_field_size), false);
    line("snmp", config.snmp_version == snmp_version_3 ? "3" : "1", false);
    line("auth_protocol", auth_protocol_name(config.auth_protocol), false);
    line("priv_protocol", priv_protocol_name(config.priv_protocol), false);
    line("get_community", cut_to(config.get_community, name_field_size), true);
    line("set_community", cut_to(config.set_community, name_field_size), true);
    line("security_username", cut_to(config.security_username, name_field_size), true);
    line("context_name", cut_to(config.context_name, name_field_size), true);
    line("auth_key", cut_to(config.auth_key, key_field_size), false);
    line("priv_key", cut_to(config.priv_key, key_field_size), false);
    line("comment_file", comment, true);
    return text;
}

int device_config_parse(Presenter& presenter, OwnerWindow owner, const std::filesystem::path& file,
                        std::string_view text, device_config& config) {
    Parser parser(presenter, owner, config);
    int errors = 0;
    std::size_t start = 0;
    while (start <= text.size() && errors < error_limit) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        line = line.substr(0, line.find('\0')); // a zero byte ends a line's text
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1); // CRLF files: the CR is no part of an unclosed quote
        }
        const Line parts = split_line(line);
        if (parts.keyword.empty() || parts.keyword.front() == '#') {
            continue;
        }
        if (!parser.apply(parts)) {
            ++errors;
        }
    }
    if (errors < error_limit) {
        return 0;
    }
    report_unparsable(presenter, owner, file);
    return 1;
}

int device_config_read(Presenter& presenter, PasswordPrompt& prompt, OwnerWindow owner,
                       const std::filesystem::path& current_device_file, device_config& config) {
    device_config_set_defaults(config);
    config.file_name = current_device_file;
    const std::string shown_path = display_path(current_device_file);

    errno = 0;
#ifdef _WIN32
    std::FILE* file = _wfopen(current_device_file.c_str(), L"rb");
#else
    std::FILE* file = std::fopen(current_device_file.c_str(), "rb");
#endif
    if (file == nullptr) {
        error_dialog(presenter, owner, "**Read Error\r\n\r\n\r\nUnable to open file %s\r\n\r\n%s",
                     shown_path.c_str(), error_number_text(errno).c_str());
        return 1;
    }
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[read_buffer_size]);
    if (!buffer) {
        std::fclose(file);
        error_dialog(presenter, owner,
                     "||Read Error\r\n\r\n\r\nUnable to read file %s\r\n\r\n Insufficient "
                     "memory.\r\n\r\nSystem restart recommended.",
                     shown_path.c_str());
        return 1;
    }
    errno = 0;
    const std::size_t count = std::fread(buffer.get(), 1, read_buffer_size - 1, file);
    const bool read_failed = std::ferror(file) != 0;
    const int read_error = errno;
    std::fclose(file);
    if (read_failed) {
        error_dialog(presenter, owner, "!!Read Error\r\n\r\n\r\nError reading file %s\r\n\r\n%s",
                     shown_path.c_str(), error_number_text(read_error).c_str());
        return 1;
    }
    if (count == 0 || count > config_file_read_limit) {
        error_dialog(presenter, owner,
                     "!!Read Error\r\n\r\n\r\nError reading file %s\r\n\r\nFile size %d is "
                     "invalid.\r\n\r\nVerify correct file was selected.",
                     shown_path.c_str(), static_cast<int>(count));
        return 1;
    }

    const std::span<std::uint8_t> image(buffer.get(), count);
    const auto wipe = [&] { OPENSSL_cleanse(buffer.get(), count); };
    std::size_t text_offset = 0;
    if ((image[0] & 0x80) != 0) {
        std::optional<std::string> password =
            prompt.ask_config_password(owner, current_device_file);
        if (!password) {
            wipe();
            return 1;
        }
        password->resize(std::min(password->size(), password_max_length));
        const DecryptResult result = config_image_decrypt(presenter, image, *password);
        if (result == DecryptResult::ok) {
            config.encrypted = true;
            config.password = *password;
            config.verify_password = *password;
        }
        OPENSSL_cleanse(password->data(), password->size());
        if (result != DecryptResult::ok) {
            wipe();
            if (result == DecryptResult::mismatch) {
                error_dialog(presenter, owner,
                             "**File Error\r\n\r\n\r\nUnable to decrypt file %s\r\n\r\nIncorrect "
                             "password or corrupt file.",
                             shown_path.c_str());
            }
            return 1;
        }
        text_offset = config_text_offset;
    } else if (!is_text(image)) {
        wipe();
        report_unparsable(presenter, owner, current_device_file);
        return 1;
    }
    const std::string_view text(reinterpret_cast<const char*>(image.data()) + text_offset,
                                image.size() - text_offset);
    const int result = device_config_parse(presenter, owner, current_device_file, text, config);
    wipe();
    return result;
}

int device_config_write(Presenter& presenter, OwnerWindow owner, const std::filesystem::path& path,
                        const device_config& config) {
    std::string text = device_config_text(config);
    std::string bytes;
    if (config.encrypted) {
        // Start-up seeds the generator after its self-test; should nobody have, it still
        // gets a time-based counter rather than making headers from no key at all.
        if (!config_prng.cipher) {
            prng_seed(config_prng, std::nullopt);
        }
        const std::string password = cut_to(config.password, name_field_size);
        std::vector<std::uint8_t> image;
        const bool encrypted = config_image_encrypt(presenter, text, password, config_prng, image);
        if (encrypted) {
            bytes.assign(image.begin(), image.end());
        }
        OPENSSL_cleanse(image.data(), image.size());
        if (!encrypted) {
            OPENSSL_cleanse(text.data(), text.size());
            return 1;
        }
    } else {
        bytes = with_crlf(text);
    }
    OPENSSL_cleanse(text.data(), text.size());
    // Communities and pass phrases are for the owner's eyes only, also in a plain file.
    const std::optional<std::string> failure = replace_file(path, bytes, FileAccess::owner_only);
    OPENSSL_cleanse(bytes.data(), bytes.size());
    if (failure) {
        error_dialog(presenter, owner, "!!Write Error\r\n\r\n\r\nUnable to write file %s\r\n\r\n%s",
                     display_path(path).c_str(), failure->c_str());
        return 1;
    }
    return 0;
}

} // namespace vornex
