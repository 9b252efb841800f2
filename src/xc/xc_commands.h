#pragma once
// Making and clearing cross-connects on the displayed map: one command to the device,
// its verdict read back, mapping errors named, and the cached cross-connects of the
// leaves involved brought up to date. A refused or failed command changes no cache and
// leaves the changes-not-stored flag as it was.

#include "model/hs_entry.h"

#include <string>

namespace vornex {

struct Box;

inline constexpr int xc_bidirectional = 1;
inline constexpr int xc_unidirectional = 2;
inline constexpr int channel_data = 1;
inline constexpr int channel_voice = 2;
inline constexpr int a_mu_off = 1;
inline constexpr int a_mu_on = 2;
inline constexpr int no_sig_conv_table = 257;

// What a cross-connect is besides its two ends and its length, as the set command sends
// it and a leaf's cache keeps it; the defaults are a one-way data cross-connect without
// conversion. A clear command uses only the type.
struct xc_attributes {
    int xc_type = xc_unidirectional;
    int channel_type = channel_data;
    int a_mu_mode = a_mu_off;
    int sig_conv_table = no_sig_conv_table;
};

// The name of a device result code (compared on its low 8 bits).
const char* mapping_error_name(long code);

int set_map_entries(Box& box, const HsEntry& destination, const HsEntry& source, int count,
                    const xc_attributes& attributes);
int clear_map_entries(Box& box, const HsEntry& first, int count, const xc_attributes& attributes);

// The set command, then the leaves' caches and (with `apply`) their identifiers for the
// displayed map.
int map_range(Box& box, HsEntry& destination, HsEntry& source, int count,
              const xc_attributes& attributes, bool apply,
              const std::string& destination_identifier, const std::string& source_identifier);
// The clear command, then the run's caches and, for a bidirectional clear, every leaf that
// had a leaf of the run as its far end.
int unmap_range(Box& box, HsEntry& first, int count, const xc_attributes& attributes, bool apply);

} // namespace vornex
