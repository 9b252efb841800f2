#pragma once
// The one in-memory description of a device: where it is, how to talk SNMP to it, and
// which comment file belongs to it. Every text field keeps the limit of its on-disk form;
// the limits below count the terminating zero, so the longest value is one less.

#include <cstddef>
#include <filesystem>
#include <string>

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

void device_config_set_defaults(device_config& config);

} // namespace vornex
