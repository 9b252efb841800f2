#pragma once
// The simulated R4150: a chassis described by a scenario file, turned into the objects its
// agent serves. Objects of a slot follow its card; objects that depend on a setting (the
// channels of a T3 port, the paths below an AUG) follow that setting when it is written.

#include "store.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vornex::sim {

struct V3User {
    std::string name;
    std::string auth = "none"; // none, MD5, SHA
    std::string auth_pass;
    std::string priv = "none"; // none, DES, AES
    std::string priv_pass;
    bool write = true;
};

struct Credentials {
    std::string read_community = "public";
    std::string write_community = "private";
    std::vector<V3User> users;
    std::string engine_id; // hex, "0x..."
    int engine_boots = 1;
};

// Well-known identifiers of the system group.
inline const Oid sys_descr{1, 3, 6, 1, 2, 1, 1, 1, 0};
inline const Oid sys_object_id{1, 3, 6, 1, 2, 1, 1, 2, 0};
inline const Oid sys_up_time{1, 3, 6, 1, 2, 1, 1, 3, 0};
inline const Oid sys_name{1, 3, 6, 1, 2, 1, 1, 5, 0};
inline const Oid system_group{1, 3, 6, 1, 2, 1, 1};

// Card families as the device's objects tell them apart.
enum Family { none = 0, e1, t1, t3, sdh, sonet };

using Address = std::array<int, 6>; // slot, port, level 1..3, timeslot index

class Device {
public:
    // Reads a scenario file. On failure returns nullopt with the reason in `error`.
    static std::optional<Device> load(const std::string& path, std::string& error);

    Store& store() { return store_; }
    const Store& store() const { return store_; }
    const Oid& root() const { return root_; }
    const Credentials& credentials() const { return credentials_; }

    // Resolves "R.x.y" (below the device root) or a full numeric identifier.
    std::optional<Oid> resolve(std::string_view text) const;

    // Brings the objects that depend on `changed` in step after a successful SET, and runs
    // the cross-connect commands when their execute object is written.
    void follow(const Oid& changed);

    // A device rule that refuses a write the object's own rule allows: SSM enabled on a
    // second port of a card answers genErr (5). 0 when the write may go on.
    int refusal(const Oid& name, const Value& value) const;

    // The cross-connect commands (xconnect.cpp). Each returns the result code it also
    // stores in its result object: 1 success, else a mapping error code.
    int set_cross_connect(int map, const Address& src, const Address& dst, int xc_type, int count,
                          int channel, int a_mu, int table);
    int clear_cross_connect(int map, const Address& first, int count, int xc_type);
    // The next command (cross-connect or map command) answers `code` and changes nothing.
    void force_next_result(int code) { forced_result_ = code; }
    // The forced result, once; nullopt when none is pending.
    std::optional<int> take_forced_result() { return std::exchange(forced_result_, std::nullopt); }

    // The family of the card in `slot` (none for an empty slot or one without firmware), and
    // the slot of its protected partner (0 when it has none).
    Family card_family(int slot) const;
    int protected_partner(int slot) const;

    // The map commands (maps.cpp). Each returns the map-command result it also stores in
    // R.1.16.4.4.0: 2 success, 3 fail (a map number that is not 1 or 2).
    int activate_map(int map);
    int delete_map(int map);
    int copy_active_map();
    // The configuration commands of R.1.7.1.0: store keeps a snapshot of the running
    // configuration (every object but the command objects), retrieve puts it back.
    void store_configuration();
    void retrieve_configuration();

private:
    struct Leaf {
        int kind;    // 0 timeslot, 90 unframed signal, 2..6 paths
        bool hdlc;   // an HDLC channel's timeslot
        int last;    // the highest timeslot index of its siblings (the leaf's own for paths)
        bool single; // a path: no siblings that a run could continue into
    };
    // The leaf at an address, or the mapping error code that refuses it; `source` picks the
    // source or destination flavour of the codes.
    std::variant<Leaf, int> leaf_at(const Address& a, bool source) const;
    Oid xc_row(int column, int map, const Address& dst) const;
    bool has_row(int map, const Address& dst) const;
    void put_xc_row(int map, const Address& dst, const Address& src, int xc_type, int channel,
                    int a_mu, int table);
    void erase_xc_row(int map, const Address& dst);
    std::optional<Address> row_source(int map, const Address& dst) const;
    int command_value(std::initializer_list<std::uint32_t> suffix) const;
    void run_set_command();
    void run_clear_command();
    int finish_command(int result, std::uint32_t table, std::uint32_t column);
    void load_cross_connects(const std::string& json_text);
    void build_map_commands();
    // Clears the cross-connects of both maps with an end on port `port` of `slot` (and on
    // AUG `aug` and its node `node` unless they are 0): all of them, or only those whose
    // end names no leaf any more after a line or framer change.
    void drop_cross_connects(int slot, int port, int aug, int node, bool all);
    int map_command_result(int result);
    // Whether `rel` (below the root) is one of the map or configuration commands, whose
    // objects are not part of the configuration a store keeps.
    bool map_command_followed(const Oid& rel);

    struct Card {
        int slot = 0;
        int registered = 1;
        int family = 0; // see device.cpp
        int ports = 0;
    };

    Oid r(std::initializer_list<std::uint32_t> suffix) const;
    void build_system(const std::string& name, const std::string& descr);
    void build_t3_channels(int slot, int port, int type);
    void build_aug_content(int slot, int port, int aug);
    // Rebuilds the objects under `prefixes` with `build`, keeping the values of the objects
    // that exist before and after.
    template <typename Build>
    void rebuild(const std::vector<Oid>& prefixes, Build build);

    Oid root_;
    Store store_;
    Credentials credentials_;
    std::vector<Card> cards_;
    std::optional<int> forced_result_;
    int active_map_ = 1;
    Store stored_; // the stored configuration: the scenario's at start, then each store's
};

} // namespace vornex::sim
