#pragma once
// Whole-map operations: choosing the displayed and the active map, activating a map,
// deleting every cross-connect of a map, copying the active map onto the inactive one, and
// storing or retrieving the device's configuration. The dialogs of the front end call these
// for their labels and for what their OK does; the commands talk to the device, show every
// failure through the box's presenter and say whether the display must be rebuilt.

#include <string>

namespace vornex {

struct Box;

// End values of the map dialogs: 1 the displayed map changed (the caller reloads the
// device), 2 it did not.
inline constexpr int map_dialog_reload = 1;
inline constexpr int map_dialog_no_reload = 2;

// The map-command result's text: 1 "none", 2 "success", 3 "fail", 4 "timeout"; null for
// any other value, which messages show as a number.
const char* map_result_text(long result);

// Radio button labels: "Map%d  (active)" in "Select Map" and "Map Delete",
// "Map%d  (currently active)" in "Active Map Change"; the other map is plain "Map%d".
std::string select_map_label(int map, int active_map);
std::string active_map_label(int map, int active_map);
// "Copy Map%d (active) to Map%d (inactive)."
std::string map_copy_label(int active_map);
// The map the copy writes: 2 when the active map is 1, else 1.
int inactive_map(int active_map);

// "Select Map" OK with `chosen` checked: stores it as the displayed map; 1 when it changed.
int select_map_choice(Box& box, int chosen);
// "Active Map Change" OK: stores `chosen` as the active map; 1 when it changed (the caller
// then runs activate_map).
int active_map_choice(Box& box, int chosen);

// Writes the box's active map to the device and reads the verdict. The active map keeps the
// operator's choice even when the device refused it. 0, or 1 after a reported failure.
int activate_map(Box& box);

// "Map Delete" OK for `map`: asks for confirmation (0 when the operator declined: the
// dialog stays open), deletes the map's cross-connects and, when asked, the map's endpoint
// identifiers (and with them the comments). map_dialog_reload when the deleted map is the
// displayed one, else map_dialog_no_reload (also after a reported failure; `carried_out`,
// when given, tells the two apart).
int map_delete(Box& box, int map, bool clear_identifiers, bool clear_comments,
               bool* carried_out = nullptr);

// "Map Copy" OK: copies the active map onto the inactive one and, when asked, the endpoint
// identifiers with it. map_dialog_reload when the inactive map is displayed.
int map_copy(Box& box, bool include_identifiers, bool* carried_out = nullptr);

// "Store Config": after confirmation, has the device store its running configuration and
// clears the changes-not-stored flag. 0 when stored, 1 when declined or failed (reported).
int store_config(Box& box);
// "Retrieve Backup Config": after confirmation, has the device go back to its stored
// configuration and clears the flag. 0 when retrieved (the caller reloads the device).
int retrieve_config(Box& box);

} // namespace vornex
