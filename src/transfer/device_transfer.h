#pragma once
// Device file transfers: the device's own TFTP or SFTP client fetches a file from a server
// or pushes one to it, and the program only tells it over SNMP where the server is, which
// file to take or store and what kind of file it is, then watches the device's status.
// This is the Qt-free half: the five kinds, the transfer configuration's rules, starting a
// transfer (server address, internal server, protocol and trigger objects), the status
// poll, and the rules the window follows when a transfer has ended. The progress window's
// state machine is in transfer_progress.h.

#include "base/presenter.h"
#include "base/window_geometry.h"
#include "transfer/tftp_runner.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vornex {

struct Chassis;
struct Card;

enum class TransferKind { send_config, get_config, mainboard_firmware, card_firmware, fae_info };

// What the window does when a transfer's progress window has closed.
enum class Completion { config_sent, mainboard_firmware_sent, card_firmware_sent, done };

struct transfer_kind_info {
    TransferKind kind;
    const char* command;    // the menu text, "Send configuration to device"
    const char* title;      // the progress window's title
    int file_type;          // the device's file type; card firmware takes the card's
    int note_after_seconds; // unchanged percentage this long shows the note
    int note_limit_minutes; // 0: "several minutes"
    Completion completion;
    bool save; // the PC file is written (a save dialog), else read
    const char* dialog_title;
    const char* filter_label;
    const char* filter_pattern;
    bool firmware() const {
        return kind == TransferKind::mainboard_firmware || kind == TransferKind::card_firmware;
    }
};

const transfer_kind_info& transfer_kind(TransferKind kind);

// Progress states of the status table.
inline constexpr int transfer_finished = 0;
inline constexpr int transfer_failed = 1;
inline constexpr int transfer_in_progress = 2;

struct transfer_status_row {
    int code; // 0 ends the table: the row for every code not found
    int state;
    const char* text;
};
extern const transfer_status_row transfer_status_table[];
// The row of a status code. The device's code is one byte: a value outside 0..255 is not
// cut to its low byte (257 would read as "ok") but gives the last row.
const transfer_status_row& transfer_status(long code);

// --- The transfer configuration ------------------------------------------------------------

enum FtcMode : int {
    ftc_internal_tftp = 0,
    ftc_local_tftp = 1,
    ftc_remote_tftp = 2,
    ftc_local_sftp = 3,
    ftc_remote_sftp = 4,
};

inline constexpr std::size_t ftc_root_dir_limit = 259;
inline constexpr std::size_t ftc_remote_host_limit = 41;
inline constexpr std::size_t ftc_sftp_limit = 32;
inline constexpr std::size_t remote_file_name_limit = 56;

// The file transfer settings of the run (the password is never stored).
struct ftc_settings {
    int mode = ftc_internal_tftp;
    std::filesystem::path root_dir;
    std::string remote_host;
    std::string sftp_username;
    std::string sftp_password;
};

inline bool ftc_remote(int mode) {
    return mode == ftc_remote_tftp || mode == ftc_remote_sftp;
}
inline bool ftc_sftp(int mode) {
    return mode == ftc_local_sftp || mode == ftc_remote_sftp;
}
inline bool ftc_local_server(int mode) {
    return mode == ftc_local_tftp || mode == ftc_local_sftp;
}

// The explanation text of a mode (empty outside 0..4).
const char* ftc_mode_text(int mode);

// The Continue checks of "File Transfer Configuration": true when the dialog may end; a
// refusal has been shown over `owner`.
bool ftc_continue(Presenter& presenter, OwnerWindow owner, const ftc_settings& settings,
                  bool sftp_supported);

// The file name a local server serves `path` under: the rest of the path behind the root
// folder, compared per whole path component without regard to case; nullopt when the path
// is not under the root (an empty root serves the whole path).
std::optional<std::string> name_under_root(const std::filesystem::path& root,
                                           const std::filesystem::path& path);

// --- Starting, triggering and polling -------------------------------------------------------

// What a front end hands to file_transfer_start.
struct TransferServices {
    Presenter& presenter;
    OwnerWindow owner;
    tftp::TftpServerControl& server;
    Rect main_window{};
    std::uint16_t tftp_port = 69; // the internal server's port (tests and vornex-cli)
};

// The process-wide values of the transfers: whether the TFTP Server Notice was accepted,
// and the last configuration and firmware folders.
struct TransferMemory {
    bool notice_shown = false;
    std::filesystem::path config_folder;
    std::filesystem::path firmware_folder;
};

// The internal server for front ends without a window (vornex-cli, tests): one runner.
// Errors of start() reach the presenter at once; those the server thread meets later are
// kept and shown by stop(), on the caller's thread.
class RunnerServerControl : public tftp::TftpServerControl, private tftp::TftpListener {
public:
    explicit RunnerServerControl(Presenter& presenter) : presenter_(presenter), runner_(*this) {}
    int start(const tftp::tftp_server_params& params) override;
    void stop() override;
    bool running() const { return runner_.running(); }

private:
    void status_changed(const tftp::TftpStatus&) override {}
    void error_box(const std::string& text) override;

    Presenter& presenter_;
    tftp::TftpServerRunner runner_;
    std::mutex mutex_;
    std::atomic<bool> starting_{false};
    std::vector<std::string> errors_;
};

// What a started transfer needs later.
struct StartedTransfer {
    bool internal_server = false; // the internal server runs and must be stopped at the end
    long prior_status = -1;       // the device's status before the trigger; -1 unknown
};

// Everything from the server address up to the trigger. 0 when the transfer runs; 1 when it
// did not start (every reason has been shown, or the operator cancelled the notice).
// `file` is the chosen PC path in the local modes, the entered remote name in the others.
int file_transfer_start(Chassis& box, TransferServices& services, TransferMemory& memory,
                        const ftc_settings& settings, const std::filesystem::path& file,
                        int file_type, int slot, const char* title, StartedTransfer& started);

// One SET: the server address (IPv4 as IpAddress to .1.15.1.0, IPv6 as text to .1.15.2.0),
// the file name, the file type, the slot (only when not 0) and the start. 0, or 1 after a
// reported failure.
int file_transfer_trigger(Chassis& box, int family, const std::string& address,
                          const std::string& file_name, int file_type, int slot);

struct TransferPoll {
    int state = transfer_failed;
    int percent = 0;
    long code = -1;             // the status code read; -1 when the read failed
    const char* text = nullptr; // the status text, or none after a failed read
};
// One GET of the status (.1.15.8.0) and the percentage (.1.15.7.0).
TransferPoll file_transfer_poll(Chassis& box);

// --- The firmware kinds ---------------------------------------------------------------------

// "Current Mainboard Firmware" / "Current Card Firmware" with the bank text: true when the
// operator chose to go on. A failed bank read has been shown and answers false.
bool confirm_firmware_banks(Chassis& box, OwnerWindow owner, const Card* card);

// One line of the Choose Card dialog in its firmware form.
struct FirmwareCardChoice {
    const Card* card;
    std::string line; // "Trib3: E1-NP - V1.00.00"
};
// Every card whose type code is from 2 to 254, in card-list order.
std::vector<FirmwareCardChoice> firmware_card_choices(Chassis& box);
// OK on a card: true when it may be upgraded. `working` is the card's working/standby test
// (true for unprotected types); the standby card of a protected pair is refused with its
// message.
bool firmware_card_acceptable(Chassis& box, OwnerWindow owner, bool working);

// The card firmware's file type (0 when the card takes none).
int card_firmware_type(const Card& card);

// The remembered folder of a kind's PC file dialog (none for the FAE package).
std::filesystem::path* remembered_folder(TransferMemory& memory, TransferKind kind);
// The name the PC file dialog or the remote-name dialog proposes.
std::string proposed_file_name(const Chassis& box, TransferKind kind,
                               const std::filesystem::path& device_file);

// The upgrade notice shown before "Reset System" after mainboard firmware.
extern const char* const controller_upgrade_notice;

} // namespace vornex
