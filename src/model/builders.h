#pragma once
// The endpoint builders: one per card family, each making a card's tree from its type and
// from the line, framer and granularity settings it reads from the device. A builder
// returns 0 to let the opening go on to the next card and 1 to stop it.

#include "model/card.h"

#include <array>
#include <string>

namespace vornex {

int build_e1_ports(Chassis& box, Card& card);
int build_t1_ports(Chassis& box, Card& card);
int build_hdlc_channels(Chassis& box, Card& card);
int build_t3_ports(Chassis& box, Card& card);
int build_stm_ports(Chassis& box, Card& card);
// Protected pairs carry their endpoints on the odd (working) slot only; a 1:N member
// builds everywhere but in slot 1.
int build_e1_ports_odd_slot(Chassis& box, Card& card);
int build_t1_ports_odd_slot(Chassis& box, Card& card);
int build_t3_ports_odd_slot(Chassis& box, Card& card);
int build_stm_ports_odd_slot(Chassis& box, Card& card);
int build_e1_ports_not_slot_1(Chassis& box, Card& card);
int build_t1_ports_not_slot_1(Chassis& box, Card& card);
// The catch-all row's builder: warns that the card is not supported and builds nothing.
int unsupported_card(Chassis& box, Card& card);

int build_t3_channels(Chassis& box, Card& card, HsEntry& port, int t3_type);

// An AUG's granularity: one VC4/STS3C, three AU3/STS1, or three TUG3s (AU4-nn nodes).
inline constexpr int granularity_vc4 = 2;
inline constexpr int granularity_au3 = 3;
inline constexpr int granularity_tug3 = 4;

// Kinds of an AUG's three children, indexed 1..3 (index 0 unused).
using child_kinds = std::array<int, 4>;

int build_aug_children(Chassis& box, Card& card, HsEntry& aug, const child_kinds& kinds);
int build_paths(Chassis& box, Card& card, HsEntry& node);

// Reads AUG `aug` of a port: granularity and its children's kinds. An AUG the device does
// not have answers "Unknown object name": 0 with every output 0.
int r155_granularity_probe(Chassis& box, int slot, int port, int aug, int& granularity,
                           child_kinds& kinds);
// Writes an AUG's granularity and child kinds, then rebuilds its children; a refusal
// leaves the tree as it was.
int set_granularity(Chassis& box, HsEntry& aug, int granularity, const child_kinds& kinds);

// Replaces the timeslots of an E1 port, T3 channel or low-order path by those its present
// line or framer setting gives, after a configuration change; a setting that cannot be
// read leaves the node framed.
void rebuild_timeslots(Chassis& box, HsEntry& node);

// Port identifiers of E1 (group 3), T1 (4) and T3 (5) cards, and of STM-1/OC-3 cards.
int read_identifier(Chassis& box, HsEntry& node, int group, bool report);
// Group 0 is the STM-1/OC-3 identifier, written as one blank when empty.
int write_identifier(Chassis& box, HsEntry& node, int group, const std::string& text);
int read_stm_identifier(Chassis& box, HsEntry& node, bool report);

inline constexpr int identifier_group_e1 = 3;
inline constexpr int identifier_group_t1 = 4;
inline constexpr int identifier_group_t3 = 5;

} // namespace vornex
