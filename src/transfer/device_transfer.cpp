#include "transfer/device_transfer.h"

#include "base/text.h"
#include "config/device_password.h"
#include "model/card.h"
#include "model/chassis.h"
#include "snmp/snmp_access.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vornex {

namespace {

// R.1.15.*: the transfer objects.
constexpr oid obj_ipv4 = 1, obj_ipv6 = 2, obj_name = 3, obj_type = 4, obj_slot = 5, obj_start = 6,
              obj_percent = 7, obj_status = 8, obj_protocol = 11, obj_user = 12, obj_password = 13;

const transfer_kind_info kinds[] = {
    {TransferKind::send_config, "Send configuration to device", "Send Current Config", 2, 15, 0,
     Completion::config_sent, false, "Open Configuration File", "CFG File", "*.cfg"},
    {TransferKind::get_config, "Get configuration from device", "Get Current Config", 3, 15, 0,
     Completion::done, true, "Save Configuration File As", "CFG File", "*.cfg"},
    {TransferKind::mainboard_firmware, "Send mainboard firmware", "Sending mainboard firmware", 1,
     30, 30, Completion::mainboard_firmware_sent, false, "Open Firmware File", "RUN File", "*.run"},
    {TransferKind::card_firmware, "Send card firmware", "Sending card firmware", 0, 30, 20,
     Completion::card_firmware_sent, false, "Open Firmware File", "RUN File", "*.run"},
    {TransferKind::fae_info, "Get FAE Info", "Get FAE Info", 6, 15, 0, Completion::done, true,
     "Save FAE Pkg File As", "PKG File", "*.pkg"},
};

// The numeric text of an address; empty when it cannot be had.
std::string numeric_text(const sockaddr* address, socklen_t length) {
    char host[NI_MAXHOST] = {};
    if (getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) {
        return {};
    }
    return host;
}

struct resolved {
    sockaddr_storage address{};
    socklen_t length = 0;
};

// The first address of `host` for service "161", any family, datagram, UDP.
std::optional<resolved> resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfo* found = nullptr;
    if (host.empty() || getaddrinfo(host.c_str(), "161", &hints, &found) != 0) {
        return std::nullopt;
    }
    resolved r;
    if (found->ai_addrlen <= sizeof r.address) {
        std::memcpy(&r.address, found->ai_addr, found->ai_addrlen);
        r.length = found->ai_addrlen;
    }
    freeaddrinfo(found);
    if (r.length == 0) {
        return std::nullopt;
    }
    return r;
}

// The host part of the session's peer name: "udp:" or "udp6:" prefixes and a ":port" are
// not part of it ("udp6:[::1]:16161" names "::1").
std::string peer_host(std::string peer) {
    for (const char* prefix : {"udp:", "udp6:", "udpv6:", "udpipv6:"}) {
        if (peer.rfind(prefix, 0) == 0) {
            peer.erase(0, std::strlen(prefix));
            break;
        }
    }
    if (!peer.empty() && peer.front() == '[') {
        return peer.substr(1, peer.find(']') - 1);
    }
    if (std::count(peer.begin(), peer.end(), ':') == 1) {
        peer.erase(peer.find(':'));
    }
    return peer;
}

// The local address through which this machine reaches `host`: a UDP socket connected to
// it (no packet is sent) knows it.
std::optional<resolved> local_address_towards(const std::string& host) {
    const auto device = resolve(host);
    if (!device) {
        return std::nullopt;
    }
    const int s = socket(device->address.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (s < 0) {
        return std::nullopt;
    }
    resolved local;
    local.length = sizeof local.address;
    const bool ok =
        connect(s, reinterpret_cast<const sockaddr*>(&device->address), device->length) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&local.address), &local.length) == 0;
    close(s);
    if (!ok) {
        return std::nullopt;
    }
    return local;
}

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

} // namespace

const transfer_kind_info& transfer_kind(TransferKind kind) {
    return kinds[static_cast<int>(kind)];
}

const transfer_status_row transfer_status_table[] = {
    {1, 0, "R4150 Status: ok"},
    {2, 1, "R4150 Status: checksum-error"},
    {3, 1, "R4150 Status: timeout"},
    {4, 1, "R4150 Status: unknown-tftp-error"},
    {5, 1, "R4150 Status: file-not-found"},
    {6, 1, "R4150 Status: file-already-exists"},
    {7, 1, "R4150 Status: fail-to-read-flash"},
    {8, 1, "R4150 Status: fail-to-program-flash"},
    {9, 1, "R4150 Status: unmatch-firmware"},
    {10, 1, "R4150 Status: unmatch-config"},
    {11, 2, "R4150 Status: activating-current-config"},
    {12, 1, "R4150 Status: copy-to-redundant-fail"},
    {13, 1, "R4150 Status: send-firmware-to-card-fail"},
    {14, 1, "R4150 Status: fail-to-verify-signature"},
    {16, 2, "R4150 Status: inPrepareConfigData"},
    {17, 2, "R4150 Status: inTransmit"},
    {18, 2, "R4150 Status: inSendToCard"},
    {19, 2, "R4150 Status: inWriteFlash"},
    {20, 2, "R4150 Status: "},
    {21, 1, "R4150 Status: prepareUploadDataFail"},
    {22, 2, "R4150 Status: inCopyToRedundantCard"},
    {23, 1, "R4150 Status: anotherOperationInProgress"},
    {24, 2, "R4150 Status: inRetrieveConfigData"},
    {25, 1, "R4150 Status: unableToReachServer"},
    {26, 1, "R4150 Status: standbyFwNotCompatible"},
    {99, 1, "R4150 Status: other"},
    {0, 1, "R4150 Status: unknown response"},
};

const transfer_status_row& transfer_status(long code) {
    const transfer_status_row* row = transfer_status_table;
    for (; row->code != 0; ++row) {
        if (row->code == code) {
            break;
        }
    }
    return *row;
}

// --- The transfer configuration ------------------------------------------------------------

const char* ftc_mode_text(int mode) {
    switch (mode) {
    case ftc_internal_tftp:
        return "Vornex will enable an internal TFTP server to perform the transfer.  This may "
               "cause a Windows Security Alert or an alert from the system firewall software.  "
               "It is necessary to allow UDP port 69 (TFTP) access through the firewall.  Also, "
               "if another TFTP server is active on the system, it will need to be disabled. ";
    case ftc_local_tftp:
        return "The file transfer will be performed by a TFTP server running on the same PC "
               "that Vornex is running on.  It is the user's responsibility to install and "
               "start the TFTP server.\r\n\r\nPlease note most TFTP servers have the concept of "
               "a root folder.  File transfers are relative to the location of this folder.  "
               "Vornex must be configured with the location of the root folder.";
    case ftc_remote_tftp:
        return "The file transfer will be performed by a TFTP server running on a remote host.";
    case ftc_local_sftp:
        return "The file transfer will be performed by an SFTP server running on the same PC "
               "that Vornex is running on.  It is the user's responsibility to install and "
               "start the SFTP server.\r\n\r\nPlease note most SFTP servers have the concept of "
               "a root folder.  File transfers are relative to the location of this folder.  "
               "Vornex must be configured with the location of the root folder.";
    case ftc_remote_sftp:
        return "The file transfer will be performed by an SFTP server running on a remote host.";
    default:
        return "";
    }
}

bool ftc_continue(Presenter& presenter, OwnerWindow owner, const ftc_settings& settings,
                  bool sftp_supported) {
    const char* refusal = nullptr;
    if (ftc_sftp(settings.mode) && !sftp_supported) {
        refusal = "Error\r\n\r\n\r\nThe current device does not support SFTP transfers.\r\n"
                  "Please choose a TFTP transfer method.";
    } else if (ftc_remote(settings.mode) && !resolve(settings.remote_host)) {
        refusal = "Error\r\n\r\n\r\nRemote Host IP Address is invalid.";
    } else if (ftc_sftp(settings.mode) && settings.sftp_username.empty()) {
        refusal = "Error\r\n\r\n\r\nSFTP requires a username.";
    } else if (ftc_sftp(settings.mode) && settings.sftp_password.empty()) {
        refusal = "Error\r\n\r\n\r\nSFTP requires a password.";
    } else if (settings.mode < ftc_internal_tftp || settings.mode > ftc_remote_sftp) {
        // No radio checked (a stored mode outside 0..4): nothing to continue with.
        refusal = "Error\r\n\r\n\r\nPlease choose a file transfer method.";
    }
    if (refusal != nullptr) {
        error_dialog(presenter, owner, "%s", refusal);
        return false;
    }
    return true;
}

std::optional<std::string> name_under_root(const std::filesystem::path& root,
                                           const std::filesystem::path& path) {
    if (root.empty()) {
        return path.string();
    }
    // Whole components: "/srv/tftp" holds "/srv/tftp/x.cfg", not "/srv/tftp2/x.cfg".
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r) {
        if (r->empty()) {
            continue; // a trailing separator
        }
        if (p == path.end() || lower(r->string()) != lower(p->string())) {
            return std::nullopt;
        }
        ++p;
    }
    std::filesystem::path rest;
    for (; p != path.end(); ++p) {
        rest /= *p;
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    return rest.generic_string();
}

// --- Starting, triggering and polling -------------------------------------------------------

int RunnerServerControl::start(const tftp::tftp_server_params& params) {
    if (runner_.running()) {
        return -1;
    }
    starting_ = true;
    const bool started = runner_.start(params);
    starting_ = false;
    return started ? 0 : 1;
}

void RunnerServerControl::stop() {
    runner_.stop();
    std::vector<std::string> errors;
    {
        std::lock_guard lock(mutex_);
        errors.swap(errors_);
    }
    for (const std::string& text : errors) {
        internal_error_box(presenter_, "%s", text.c_str());
    }
}

void RunnerServerControl::error_box(const std::string& text) {
    if (starting_) {
        internal_error_box(presenter_, "%s", text.c_str());
        return;
    }
    std::lock_guard lock(mutex_);
    errors_.push_back(text);
}

int file_transfer_trigger(Chassis& box, int family, const std::string& address,
                          const std::string& file_name, int file_type, int slot) {
    SnmpSet set(box);
    if (family == AF_INET6) {
        set.add_string({1, 15, obj_ipv6, 0}, address);
    } else {
        set.add_typed({1, 15, obj_ipv4, 0}, 'a', address);
    }
    set.add_string({1, 15, obj_name, 0}, file_name);
    set.add_integer({1, 15, obj_type, 0}, file_type);
    if (slot != 0) {
        set.add_integer({1, 15, obj_slot, 0}, slot);
    }
    set.add_integer({1, 15, obj_start, 0}, 1);
    return set.send(performing_file_transfer) == snmp_ok ? 0 : 1;
}

TransferPoll file_transfer_poll(Chassis& box) {
    TransferPoll poll;
    SnmpGet get(box);
    get.add({1, 15, obj_status, 0}, asn_integer).add({1, 15, obj_percent, 0}, asn_octet_string);
    const snmp_result result = get.send();
    if (result != snmp_ok) {
        snmp_report_error(box, result, performing_file_transfer);
        return poll;
    }
    const auto code = get.integer(0);
    const auto percent = get.octets(1);
    if (!code || !percent) {
        snmp_report_error(box, snmp_ok, performing_file_transfer);
        return poll;
    }
    const transfer_status_row& row = transfer_status(*code);
    poll.code = *code;
    poll.state = row.state;
    poll.text = row.text;
    int value = 0;
    poll.percent = std::sscanf(percent->c_str(), " %d", &value) == 1 ? value : 0;
    return poll;
}

int file_transfer_start(Chassis& box, TransferServices& services, TransferMemory& memory,
                        const ftc_settings& settings, const std::filesystem::path& file,
                        int file_type, int slot, const char* title, StartedTransfer& started) {
    Presenter& presenter = services.presenter;
    const OwnerWindow owner = services.owner;
    started = {};
    std::string address;
    int family = AF_INET;
    std::string file_name;
    tftp::tftp_server_params params;

    // 1. The server's address and the name the device asks it for.
    if (ftc_remote(settings.mode)) {
        const auto server = resolve(settings.remote_host);
        address = server ? numeric_text(reinterpret_cast<const sockaddr*>(&server->address),
                                        server->length)
                         : std::string();
        if (address.empty()) {
            error_dialog(presenter, owner,
                         "Error\r\n\r\n\r\nUnable to determine resolve target "
                         "host to a valid IP address.");
            return 1;
        }
        family = server->address.ss_family;
        file_name = file.string();
    } else {
        const auto local = local_address_towards(peer_host(box.host()));
        address =
            local ? numeric_text(reinterpret_cast<const sockaddr*>(&local->address), local->length)
                  : std::string();
        if (address.empty()) {
            error_dialog(presenter, owner,
                         "Error\r\n\r\n\r\nUnable to determine local IP address for transfer.");
            return 1;
        }
        family = local->address.ss_family;
        if (ftc_local_server(settings.mode)) {
            const auto name = name_under_root(settings.root_dir, file);
            if (!name) {
                error_dialog(presenter, owner,
                             "Error\r\n\r\n\r\nThe selected file path does not reside under the "
                             "TFTP/SFTP server root folder.\r\nPlease choose a file location "
                             "within the server root folder.");
                return 1;
            }
            file_name = *name;
        } else {
            if (!file.has_filename() || !file.has_parent_path()) {
                error_dialog(presenter, owner, "Error\r\n\r\n\r\nThe filename path is invalid.");
                return 1;
            }
            params.root_folder = file.parent_path().string();
            file_name = file.filename().string();
            std::memcpy(&params.local_address, &local->address, local->length);
            params.local_address_length = local->length;
            params.port = services.tftp_port;
            params.main_window = services.main_window;
            if (!memory.notice_shown) {
                if (confirm_dialog(
                        presenter, owner,
                        "TFTP Server Notice\r\nTo perform the file transfer, Vornex will enable "
                        "an internal TFTP\r\nserver.  This may cause a Windows Security Alert or "
                        "an alert from\r\nfirewall software.  It is necessary to allow UDP port "
                        "69 (TFTP) access\r\nthrough the firewall.  Also, if another TFTP server "
                        "is active on\r\nthe system, it will need to be disabled.\r\n") !=
                    dialog_ok) {
                    return 1;
                }
                memory.notice_shown = true;
            }
        }
    }

    // 2. The device takes names of at most 56 characters.
    if (file_name.size() > remote_file_name_limit) {
        error_dialog(presenter, owner,
                     "Error\r\n\r\n\r\nThe filename is too large.  The limit is 56 characters "
                     "in length.");
        return 1;
    }

    // The SFTP password is enciphered before anything is sent: a password that could not be
    // enciphered stops here rather than reach the device as an empty text.
    std::string password;
    const bool protocol = box.fw_ge_2_15_01;
    if (protocol && ftc_sftp(settings.mode)) {
        password = device_password_encrypt(presenter, box.serial_1, settings.sftp_password);
        if (password.empty()) {
            error_dialog(presenter, owner,
                         "Error\r\n\r\n\r\nError setting file transfer protocol TFTP | SFTP.");
            return 1;
        }
    }

    // 3. The internal server runs before the device is told anything, so that a server that
    // cannot start (the port is taken or needs privilege, or another server already runs)
    // stops the transfer before it begins.
    if (settings.mode == ftc_internal_tftp) {
        const int start = services.server.start(params);
        if (start < 0) {
            error_dialog(presenter, owner,
                         "Error\r\n\r\n\r\nThe internal TFTP server is already running.\r\nClose "
                         "the \"Vornex TFTP Server\" window and try again.");
            return 1;
        }
        if (start > 0) {
            return 1; // the server has said why
        }
        started.internal_server = true;
    }
    auto stop_server = [&] {
        if (started.internal_server) {
            services.server.stop();
            started.internal_server = false;
        }
    };

    // 4. The protocol, only on devices that know it.
    if (protocol) {
        SnmpSet set(box);
        set.add_integer({1, 15, obj_protocol, 0}, ftc_sftp(settings.mode) ? 2 : 1);
        if (ftc_sftp(settings.mode)) {
            set.add_string({1, 15, obj_user, 0}, settings.sftp_username);
            set.add_typed({1, 15, obj_password, 0}, 'x', password);
        }
        if (set.send(performing_file_transfer) != snmp_ok) {
            error_dialog(presenter, owner,
                         "Error\r\n\r\n\r\nError setting file transfer protocol TFTP | SFTP.");
            stop_server();
            return 1;
        }
    }

    // The status before the trigger: a device that has not yet taken the request in still
    // shows the previous transfer's final status, which must not end this one.
    if (std::int32_t prior = 0; get_device_integer(box, {1, 15, obj_status, 0}, prior) == snmp_ok) {
        started.prior_status = prior;
    }

    // 5. The trigger.
    if (file_transfer_trigger(box, family, address, file_name, file_type, slot) != 0) {
        stop_server();
        error_dialog(presenter, owner, "Error\r\n\r\n\r\nError starting \"%s\" file transfer.",
                     title);
        return 1;
    }
    return 0;
}

// --- The firmware kinds ---------------------------------------------------------------------

bool confirm_firmware_banks(Chassis& box, OwnerWindow owner, const Card* card) {
    std::string banks;
    if (firmware_bank_info(box, card != nullptr ? card->slot + 2 : 1, banks, false) != 0) {
        error_dialog(*box.presenter, owner,
                     card != nullptr
                         ? "!Error\r\n\r\n\r\n\r\nError while reading card firmware information."
                         : "!Error\r\n\r\n\r\n\r\nError while reading mainboard firmware "
                           "information.");
        return false;
    }
    const int answer =
        card != nullptr
            ? confirm_dialog(*box.presenter, owner,
                             "Current Card Firmware\r\n\r\n%s\r\n\r\nProceed with transfer?\r\n",
                             banks.c_str())
            : confirm_dialog(
                  *box.presenter, owner,
                  "Current Mainboard Firmware\r\n\r\n\r\n%s\r\n\r\nProceed with transfer?\r\n",
                  banks.c_str());
    return answer == dialog_ok;
}

std::vector<FirmwareCardChoice> firmware_card_choices(Chassis& box) {
    std::vector<FirmwareCardChoice> choices;
    for (const auto& card : box.cards) {
        if (card->registered_model < 2 || card->registered_model > 254) {
            continue;
        }
        std::string version;
        if (firmware_bank_info(box, card->slot + 2, version, true) != 0) {
            version.clear();
        }
        char line[120];
        std::snprintf(line, sizeof line, "%s: %s - %s", slot_name(box, *card), card->type_name,
                      version.c_str());
        choices.push_back({card.get(), line});
    }
    return choices;
}

bool firmware_card_acceptable(Chassis& box, OwnerWindow owner, bool working) {
    if (working) {
        return true;
    }
    error_dialog(*box.presenter, owner,
                 "Card is in standby mode\r\nThe selected card is the standby card in a protected "
                 "pair and\r\ncannot be directly upgraded.  Upgrade the working card.  The "
                 "system\r\nwill automatically copy the firmware to the standby card.");
    return false;
}

const char* const controller_upgrade_notice =
    "   Controller Firmware Upgrade Notice   \r\n"
    "\r\n"
    "   New controller firmware is installed to an >inactive< firmware boot bank on the controller "
    "card.  Once the firmware installation\r\n"
    "   process is complete, the controller(s) need to be switched to the firmware boot bank "
    "containing the new controller firmware.\r\n"
    "   \r\n"
    "   A SYSTEM reset (reset all controllers at the same time) or XCU reset (reset only one "
    "controller) is required to initiate the\r\n"
    "   controller firmware boot bank switching.\r\n"
    "   \r\n"
    "   For dual-controller units, this can be accomplished by issuing a SYSTEM reset >or< by "
    "issuing an XCU reset on each controller\r\n"
    "   separately.\r\n"
    "   \r\n"
    "   For single-controller units, the SYSTEM reset and the XCU reset are functionally the "
    "same.\r\n"
    "   \r\n"
    "   Cold Reset: System/controller is powered-down and then powered-up again.  Temporary memory "
    "on the controller is cleared, but the\r\n"
    "   configuration file is re-read and re-loaded to restore normal operation.  This type of "
    "reset is required for FPGA updates to be applied.\r\n"
    "   Consult the firmware release notes to determine if an FPGA update is included in the "
    "firmware.\r\n"
    "   \r\n"
    "   Warm Reset: System/controller remains active during the reset process. Unlike a cold "
    "reset, power is never removed from the\r\n"
    "   controller, thus the hardware is reset but temporary (cached) memory remains.\r\n"
    "   \r\n"
    "   If there have been no FPGA updates, issuing a SYSTEM warm reset or issuing an XCU warm "
    "reset on each XCU separately is\r\n"
    "   acceptable. This applies to dual-controller and single-controller units.\r\n"
    "   \r\n"
    "   If there have been FPGA updates, a way to minimize downtime for dual-controller units is "
    "to issue an XCU cold reset on the standby\r\n"
    "   controller first. Once the standby controller has finished rebooting and synchronizing "
    "with the primary controller, next issue an XCU\r\n"
    "   cold reset on the primary controller.\r\n"
    "   \r\n"
    "   If there have been FPGA updates and the unit only has a single controller, the required "
    "cold reset would cause an interruption\r\n"
    "   to service.\r\n"
    "   \r\n";

int card_firmware_type(const Card& card) {
    return card.type != nullptr ? card.type->firmware_type : 0;
}

std::filesystem::path* remembered_folder(TransferMemory& memory, TransferKind kind) {
    switch (kind) {
    case TransferKind::send_config:
    case TransferKind::get_config:
        return &memory.config_folder;
    case TransferKind::mainboard_firmware:
    case TransferKind::card_firmware:
        return &memory.firmware_folder;
    case TransferKind::fae_info:
        break;
    }
    return nullptr;
}

std::string proposed_file_name(const Chassis& box, TransferKind kind,
                               const std::filesystem::path& device_file) {
    switch (kind) {
    case TransferKind::get_config: {
        const std::string stem = device_file.stem().string();
        return (stem.empty() ? std::string("config") : stem) + ".cfg";
    }
    case TransferKind::fae_info:
        return "FAE" + std::to_string(box.serial_1) + ".pkg";
    default:
        return {};
    }
}

} // namespace vornex
