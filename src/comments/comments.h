#pragma once
// The identifiers and comment that operators attach to endpoints, kept per open device in a
// seven-level tree that the open device holds. An endpoint is placed by its key (slot, the card's
// installed model, five address bytes), not by its tree record, so the information survives
// every rebuild of the endpoint trees and stays with a position and a kind of card.
//
// Every stored text is cut to what the comment file carries back (18 characters for an
// identifier, 62 for the comment), and the characters the file cannot hold between its
// double quotes are replaced, so memory and file never disagree.

#include "base/presenter.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vornex {

struct HsEntry;

inline constexpr std::size_t map_count = 4;
inline constexpr std::size_t identifier_max_length = 18;
inline constexpr std::size_t comment_max_length = 62;

using EndpointKey = std::array<std::uint8_t, 7>;

// Whether an identifier or comment may be stored as the operator gave it: printable ASCII
// (0x20 to 0x7E) other than the double quote and the backslash, which the comment file
// cannot carry between its quotes. Every way an operator's text comes in asks here.
bool comment_text_acceptable(std::string_view text);
inline constexpr char comment_text_refused[] =
    "!!Error\r\n\r\n\r\nInvalid characters in input.\r\n\r\nID and comment may not contain "
    "double quote, backslash, or control characters.";

struct endpoint_info {
    bool map_specific = false; // false: identifiers[0] is the identifier of every map
    std::array<std::string, map_count> identifiers; // maps 1 to 4
    std::string comment;

    bool empty() const;
    friend bool operator==(const endpoint_info&, const endpoint_info&) = default;
};

// One node of the comment tree: one key byte per level, siblings in ascending byte order,
// the information on the seventh level only.
struct CommentNode {
    std::uint8_t byte = 0;
    std::unique_ptr<CommentNode> next;
    std::unique_ptr<CommentNode> child;
    std::unique_ptr<endpoint_info> info;
};

// An open device's comments: the tree, whether it differs from the comment file, and the
// comment file's lock (the lock file's descriptor stays open while comment_lock_held is set).
// The device says which map's identifiers are shown and where messages go.
struct CommentStore {
    CommentStore() = default;
    virtual ~CommentStore(); // releases the lock and frees the tree
    CommentStore(const CommentStore&) = delete;
    CommentStore& operator=(const CommentStore&) = delete;

    std::unique_ptr<CommentNode> comments;
    bool comments_dirty = false;
    std::filesystem::path comment_lock_path;
    int comment_lock_file = -1;
    bool comment_lock_held = false;

    // The displayed map (1 to 4 select an identifier; any other value shows identifier 1).
    virtual int comment_map() const = 0;
    virtual Presenter& comment_presenter() const = 0;
    // Called before each file-system step of a comment file save, numbered from 0. The
    // program does nothing there; a test stops the process there to see what a crash or a
    // kill at that moment leaves behind.
    virtual void comment_save_step(int /*step*/) {}
};

// Byte 0 the slot byte of the address, byte 1 the card's installed model (0 without a
// card), bytes 2 to 6 the other five address bytes.
EndpointKey endpoint_key(const HsEntry& endpoint);

// The information stored under `key`, or null.
const endpoint_info* comment_find(const CommentStore& box, const EndpointKey& key);

// Finds or creates the key's information and copies every field of `info` into it (texts
// cut and cleaned as above); each field that changes sets box.comments_dirty. 0, or 1 when
// memory ran out (nothing is changed then).
int comment_store(CommentStore& box, const EndpointKey& key, const endpoint_info& info);

// The identifier shown for `endpoint` in the displayed map: empty without a box or without
// information; identifier 1 when it is not map-specific or the displayed map is not 1 to 4.
std::string endpoint_identifier(const CommentStore* box, const HsEntry& endpoint);

// Sets the displayed map's identifier of `endpoint` to `text`, making the information
// map-specific (identifier 1 first becomes every map's own, so the other maps keep showing
// what they showed). Without information, a text that is empty or only blanks stores
// nothing. 0, or 1 when memory ran out.
int comment_set_map_identifier(CommentStore& box, const HsEntry& endpoint, std::string_view text);

using CommentVisit = std::function<void(const EndpointKey& key, endpoint_info& info)>;

// Calls `visit` for every stored information in ascending key order.
void comment_walk(CommentNode* tree, const CommentVisit& visit);

// Map management: clearing empties map `map_index`'s identifier (0 to 3 for maps 1 to 4)
// and, when asked, the comment; copying copies one map's identifier over another's and
// makes the information map-specific. The caller sets comments_dirty.
void comment_clear_map(CommentStore& box, int map_index, bool clear_comments);
void comment_copy_map(CommentStore& box, int from_index, int to_index);

// Frees every node of the tree.
void comment_tree_free(CommentStore& box);

} // namespace vornex
