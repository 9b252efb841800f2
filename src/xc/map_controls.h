#pragma once
// The map window's rules without the window: which buttons and options two selections
// allow, and the map and unmap commands those buttons run. Side 0 is the left path
// control, side 1 the right; a selection is the run of leaves the view marked selected.

#include "model/hs_entry.h"

#include <string>

namespace vornex {

struct Box;

struct SelectedRun {
    HsEntry* first = nullptr;
    int count = 0;
    const Card* card = nullptr;
    bool empty() const { return count == 0; }
};

// The selected run of `side`, from the first card (in card order) that has one.
SelectedRun selected_run(Box& box, int side);

// The option widgets as the operator left them.
struct MapOptions {
    bool data_checked = true;
    bool voice_checked = false;
    bool a_mu_checked = false;
    std::string sig_conv; // the "Sig conv." field's text
    bool apply = false;
    std::string identifier;
};

// What the window enables and checks.
struct MapControls {
    bool unmap_left = false;       // "<-UnMap"
    bool unmap_both_left = false;  // "<-UnMap->" of the left side
    bool unmap_right = false;      // "UnMap->"
    bool unmap_both_right = false; // "<-UnMap->" of the right side
    bool channel_enabled = false;  // "data" and "voice"
    bool data_checked = true;
    bool voice_checked = false;
    bool sig_conv_enabled = false;
    bool a_mu_enabled = false;
    bool map_both = false;  // "<-Map->"
    bool map_left = false;  // "<-Map"
    bool map_right = false; // "Map->"
};

// `voice_mode` is the last of "data" and "voice" the operator clicked (data at first).
MapControls update_map_controls(Box& box, bool voice_mode);

// Maps the selection of the other side onto `side`'s (the destination). Does nothing
// unless both runs have the same non-zero length and kind. 1 after a reported failure,
// an identifier to apply that the comment file cannot hold among them.
int map_selection(Box& box, int side, int xc_type, const MapOptions& options);
// Clears the cross-connects of `side`'s selection.
int unmap_selection(Box& box, int side, int xc_type, const MapOptions& options);

// The signal conversion table a map command sends: the field's number for a one-way voice
// cross-connect (0 or above 256 meaning none), else none.
int sig_conv_table_for(int channel_type, int xc_type, const std::string& field);

} // namespace vornex
