#pragma once
// Reading the displayed map's cross-connects into the leaves of the endpoint tree, lazily:
// a leaf caches the cross-connect that ends at it, and one probe (a GETNEXT of the table's
// nine columns) usually settles a whole run of neighbouring leaves. Also the lookups from a
// leaf to its far end and from a view selection to a run of leaves.

#include "model/hs_entry.h"

namespace vornex {

struct Box;

// Reads the cross-connect of `leaf` and, as far as the same answer tells, of the siblings
// after it. 1 after a request failure that has been shown; xc_no_answer when that failure
// was the device not answering at all, which a command reading many leaves takes as the end.
inline constexpr int xc_no_answer = 2;
int xc_probe(Box& box, HsEntry& leaf);

// Marks a leaf as read and not cross-connected.
void mark_not_connected(HsEntry& leaf);

inline bool is_connected(const HsEntry& leaf) {
    return leaf.peer[0] != not_applicable;
}

// The leaf whose address is `leaf.peer`, searched depth first in `list`; null if none.
HsEntry* find_peer(const EndpointList& list, const HsEntry& leaf);
// find_peer over the cards whose address slot is the peer's slot, in card order.
HsEntry* find_peer_in_device(Box& box, const HsEntry& leaf);

// The first leaf selected on `side` of the map view below `list`, and the number of
// selected leaves in the run it starts (the walk ends at the first unselected leaf after a
// selected one). `first` is null and `count` 0 when nothing is selected.
void first_selected(const EndpointList& list, int side, HsEntry*& first, int& count);

// Every leaf below `list` whose peer is `target`'s address forgets it: it is then to be read
// again. With `clear_identifier`, it also loses its identifier for the displayed map.
void forget_peer(Box& box, EndpointList& list, const HsEntry& target, bool clear_identifier);

// What a view or the export does before it uses a leaf's cross-connect: probe the leaf if
// its cache is not valid and, when it is cross-connected, its far end likewise. Returns the
// far end (null when there is none or it is not in the tree), or sets `failed`, and
// `no_answer` too when the device did not answer.
HsEntry* xc_read_leaf(Box& box, HsEntry& leaf, bool& failed, bool* no_answer = nullptr);

// A cross-connect is bidirectional when the far end names this leaf back with the same
// attributes; otherwise it is one-way, this leaf being the destination.
bool is_bidirectional(const HsEntry& leaf, const HsEntry* peer);

} // namespace vornex
