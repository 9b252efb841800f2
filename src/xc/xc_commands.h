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

// The name of a device result code (compared on its low 8 bits).
const char* mapping_error_name(long code);

int set_map_entries(Box& box, const HsEntry& destination, const HsEntry& source, int xc_type,
                    int channel_type, int a_mu_mode, int sig_conv_table, int count);
int clear_map_entries(Box& box, const HsEntry& first, int count, int xc_type);

// The set command, then the leaves' caches and (with `apply`) their identifiers for the
// displayed map.
int map_range(Box& box, HsEntry& destination, HsEntry& source, int count, int channel_type,
              int xc_type, int a_mu_mode, int sig_conv_table, bool apply,
              const std::string& destination_identifier, const std::string& source_identifier);
// The clear command, then the run's caches and, for a bidirectional clear, every leaf that
// had a leaf of the run as its far end.
int unmap_range(Box& box, HsEntry& first, int count, int xc_type, bool apply);

} // namespace vornex
