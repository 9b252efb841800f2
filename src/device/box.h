#pragma once
// The open device: its SNMP sessions and identity, its maps, cards and endpoint trees, and
// its endpoint comments. A Box is either complete (both sessions open, the
// model identified) or does not exist: AM_New_Box frees everything on every failure path.

#include "comments/comments.h"
#include "model/chassis.h"

#include <memory>

namespace vornex {

struct device_config;

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

// The bases are destroyed in reverse order: the comment lock is released and the comments
// freed first, then the cards, and the sessions are closed last.
struct Box : Chassis, CommentStore {
    explicit Box(Presenter& presenter) : Chassis(presenter) {}

    int comment_map() const override { return displayed_map; }
    Presenter& comment_presenter() const override { return *presenter; }
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
