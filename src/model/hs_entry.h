#pragma once
// One node of a card's endpoint tree: ports, channels, SDH/SONET containers and paths, and
// at the bottom the leaves that can be cross-connected. Every level uses this one record.
// A node owns its children; siblings stay in creation (number) order.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vornex {

struct Card;

// The byte value that means "not applicable" in addresses and cross-connect fields.
inline constexpr std::uint8_t not_applicable = 100;

using EndpointAddress = std::array<std::uint8_t, 6>; // slot, port, level 1..3, timeslot index

inline constexpr EndpointAddress no_address{100, 100, 100, 100, 100, 100};

// "1.3.100.100.100.2": an address as messages, the command line and tests show it.
std::string address_text(const EndpointAddress& address);

// Signal kinds: two leaves can be cross-connected only when their kinds are equal.
enum endpoint_kind : std::uint8_t {
    kind_plain = 0,     // ports, T3 and HDLC channels, framed timeslots
    kind_tu3 = 2,       // TU3 path and its TUG3; an AUG of granularity 2
    kind_au3 = 3,       // AU3/STS1 path and its node; an AUG of granularity 3
    kind_tu11 = 4,      // TU11/VT1.5 paths and their node; an AUG of granularity 4
    kind_tu12 = 5,      // TU12/VT2 paths and their node
    kind_vc4 = 6,       // VC4/STS3C path
    kind_unframed = 90, // the whole unframed signal as one cross-connectable unit
};

// Which configuration dialog a node opens from the map view; the front end maps each to
// its window.
enum class SetupDialog {
    none,
    t1_port,
    e1_port,
    t3_port,
    t3_channel,
    stm_port,
    aug,     // AUG1/STS3 node
    ho_node, // AU3/STS1/AU4 node below an AUG
    lo_path, // TU11/VT1.5 or TU12/VT2 path
};

// Per side of the map view (0 left, 1 right); owned by the view.
struct EndpointViewState {
    std::array<int, 2> open_or_selected{}; // expanded (inner node) or selected (leaf)
    std::array<int, 2> row{};    // a hidden node carries the row of its nearest shown ancestor
    std::array<int, 2> marked{}; // brought into view from the endpoint index
};

struct HsEntry {
    std::vector<std::unique_ptr<HsEntry>> children;
    HsEntry* parent = nullptr;
    std::string name;       // at most 15 characters: Port-03, TS-17, TU12-05
    std::string short_name; // at most 3 characters: P03, 17, A02; empty for some paths
    bool xc_valid = false;
    EndpointAddress address{};
    EndpointAddress peer{}; // meaningful only while xc_valid
    std::uint8_t channel_type = 0;
    std::uint8_t a_mu_mode = 0;
    std::int32_t sig_conv_table = 0;
    std::uint8_t kind = kind_plain;
    EndpointViewState view;
    std::optional<std::string> identifier; // at most 63 characters; none until one is seen
    Card* card = nullptr;
    SetupDialog setup = SetupDialog::none;
    bool export_mark = false;

    std::size_t child_count() const { return children.size(); }
    bool is_leaf() const { return children.empty(); }
    // The node's number at its level: the port byte for a port, and so on.
    int port() const { return address[1]; }
};

using EndpointList = std::vector<std::unique_ptr<HsEntry>>;

// Appends a zero-filled node to `list` under `parent` (null for a top-level node).
HsEntry& append_entry(EndpointList& list, HsEntry* parent, Card& card);

// Appends timeslot entries with indexes first..last under `parent` (none when first > last):
// "TS-%02d"/"%02d" of index - 1, the parent's address with the index in the last byte, kind
// 90 for the unframed index 1.
int NewHsEntry(Card& card, HsEntry& parent, int first, int last);

// Index ranges of the timeslots of each signal.
inline constexpr int unframed_index = 1;
inline constexpr int e1_first_index = 2, e1_last_index = 32;
inline constexpr int t1_first_index = 2, t1_last_index = 25;

void free_endpoints(EndpointList& list);

// The sibling created after `node` (ports are siblings in their card's list), or null.
HsEntry* next_sibling(const HsEntry& node);

// printf into a name field, cut to the field's size as the device names are.
std::string entry_name(std::size_t field_size, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

} // namespace vornex
