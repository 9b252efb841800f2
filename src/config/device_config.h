#pragma once
// The one in-memory description of a device: where it is, how to talk SNMP to it, and
// which comment file belongs to it. Every text field keeps the limit of its on-disk form;
// the limits below count the terminating zero, so the longest value is one less.

#include "base/presenter.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vornex {

inline constexpr std::size_t path_field_size = 260;
inline constexpr std::size_t hostname_field_size = 60;
inline constexpr std::size_t name_field_size = 40; // communities, user, context, passwords
inline constexpr std::size_t key_field_size = 34;  // SNMPv3 pass phrases

inline constexpr int snmp_version_1 = 0; // the SNMP library's own version numbers
inline constexpr int snmp_version_3 = 3;

enum auth_protocol_code : int { auth_none = 0, auth_md5 = 1, auth_sha = 2 };
enum priv_protocol_code : int { priv_none = 0, priv_des = 1, priv_aes = 2 };

struct device_config {
    std::filesystem::path file_name;
    std::filesystem::path comment_file; // empty: the device has no comment file
    std::string hostname;
    int snmp_version = snmp_version_1;
    std::string get_community;
    std::string set_community;
    std::string security_username;
    std::string context_name;
    int auth_protocol = auth_none;
    int priv_protocol = priv_none;
    std::string auth_key;
    std::string priv_key;
    bool encrypted = false;
    std::string password;
    std::string verify_password;
};

class PasswordPrompt;

// A file of more than this many bytes is not a configuration file.
inline constexpr std::size_t config_file_read_limit = 8094;

void device_config_set_defaults(device_config& config);

// The file's names of the protocol codes: "md5", "sha", "des", "aes"; "none" for the rest.
const char* auth_protocol_name(int protocol);
const char* priv_protocol_name(int protocol);

// The rule for the password of an encrypted file: at least 8 characters of at least three of
// the kinds upper-case A-Z, lower-case a-z, digits 0-9, anything else.
bool password_strong_enough(std::string_view password);

// The text fields of the record, for naming the one a value does not fit.
enum class ConfigField {
    hostname,
    get_community,
    set_community,
    security_username,
    context_name,
    auth_key,
    priv_key,
    comment_file,
};

struct ConfigFieldRefusal {
    ConfigField field;
    std::string rule; // e.g. "must be at most 39 characters, without control characters or blanks"
};

// The first field whose value the file would not give back as it is, with the rule it breaks:
// a value longer than its field, a control character, a blank in an unquoted value (keys), a
// double quote in a quoted one, an empty host name, a comment file path not in UTF-8. Every
// writer of the file refuses such a value before it writes.
std::optional<ConfigFieldRefusal> device_config_refusal(const device_config& config);

// The configuration as text: the eleven keyword lines, each ended by "\n". Values longer than
// their field are cut to it, as the fixed-size fields of the file's record always were.
std::string device_config_text(const device_config& config);

// Applies the keyword lines of `text` to `config`, reporting each bad line over `owner`
// (`file` names the file in the messages). 0 when fewer than five lines were bad, else 1.
int device_config_parse(Presenter& presenter, OwnerWindow owner, const std::filesystem::path& file,
                        std::string_view text, device_config& config);

// Reads `current_device_file` into `config`, plain or encrypted (the password asked through
// `prompt`): 0 on success, 1 after a failure that has been shown (a cancelled password
// prompt fails without a message). After a failure the record is not to be used.
int device_config_read(Presenter& presenter, PasswordPrompt& prompt, OwnerWindow owner,
                       const std::filesystem::path& current_device_file, device_config& config);

// Saves `config` to `path`, encrypted under config.password when config.encrypted is set
// (the header drawn from config_prng): 0 on success, 1 after a failure that has been shown.
// A failed save leaves any previous file at `path` as it was.
int device_config_write(Presenter& presenter, OwnerWindow owner, const std::filesystem::path& path,
                        const device_config& config);

} // namespace vornex
