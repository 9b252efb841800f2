#pragma once
// The open device: its two working SNMP sessions (reads go to the get session, writes to
// the set session), the device root every object lives under, and what identification and
// the controller reads learnt about it. A Box is either complete (both sessions open, the
// model identified) or does not exist: AM_New_Box frees everything on every failure path.

#include "app/presenter.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/types.h>
#include <string>
#include <vector>

namespace vornex {

struct device_config;
struct Card;
struct CommentNode;

struct device_model {
    int model_id; // the MIB id, sub-identifier 8 of the device root; 0 ends the table
    const char* name;
    int card_slots;
    std::array<const char*, 10> slot_names; // by slot number 0..9
};

// Supported models, searched in order until a row with model id 0.
extern const device_model device_models[];

inline constexpr int vivi_enterprise_id = 823;
inline constexpr std::size_t max_root_subids = 128;
inline constexpr std::size_t sys_name_size = 22; // 21 characters and the terminator

struct session_timing {
    int retries;
    long timeout_us;
};

// Retries and time-outs of the three sessions. Tests shorten them; the program never does.
struct session_timings {
    session_timing probe{3, 2'000'000};
    session_timing get{11, 12'000'000};
    session_timing set{3, 45'000'000};
};

struct Box {
    explicit Box(Presenter& presenter);
    ~Box(); // frees the cards and comments, releases the comment lock, closes the sessions
    Box(const Box&) = delete;
    Box& operator=(const Box&) = delete;

    netsnmp_session* get_session = nullptr;
    netsnmp_session* set_session = nullptr;
    std::array<oid, max_root_subids> root{};
    unsigned root_len = 0;
    std::string sys_name; // at most sys_name_size - 1 characters
    const device_model* model = nullptr;
    int displayed_map = 0;
    int active_map = 0;
    bool comments_dirty = false;
    // Endpoint comments: every endpoint's information, and the comment file's lock (the lock
    // file's descriptor stays open while comment_lock_held is set).
    std::unique_ptr<CommentNode> comments;
    std::filesystem::path comment_lock_path;
    int comment_lock_file = -1;
    bool comment_lock_held = false;
    std::vector<std::unique_ptr<Card>> cards; // slot order, the in-band card last
    std::uint32_t serial_1 = 0;
    std::uint32_t serial_2 = 0;
    std::string power_supply_1;
    std::string power_supply_2;
    bool fw_ge_2_15_01 = false;
    bool fw_lt_2_15_01 = true;
    bool fw_ge_2_15_02 = false;
    std::string controller_version; // the version text the flags were taken from

    // Where every message about this device is shown.
    Presenter* presenter;

    // A device object: the device root followed by `suffix`.
    std::vector<oid> object(std::initializer_list<oid> suffix) const;
    // The host as the get session knows it; every message names the device by it.
    std::string host() const;
};

// Opens and identifies the device the configuration describes; null after any failure,
// which has been shown over `owner` (internal errors over the main window).
std::unique_ptr<Box> AM_New_Box(Presenter& presenter, OwnerWindow owner,
                                const device_config& config, const session_timings& timings = {});

// Identifies the device through the box's first session: 0 on success, 1 after a failure
// that has been shown.
int get_chassis(OwnerWindow owner, Box& box);

void free_box(std::unique_ptr<Box>& box);

} // namespace vornex
