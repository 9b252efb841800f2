#pragma once
// What the chassis view draws, worked out without any window system: the window's size and
// where it opens, its title, and for each position of the front panel its rectangle, the
// kind of position (which picks the colour strip), whether a card fills it, its slot label
// and its main text. The window turns these into pixels and colours.

#include "base/window_geometry.h"

#include <array>
#include <optional>
#include <string>

namespace vornex {

struct Chassis;
struct Box;

// The kind of a front-panel position; the view gives each its strip colour.
enum class ChassisPart { tributary, in_band, controller, power_supply };

struct ChassisPosition {
    Rect area; // in the window's client area
    ChassisPart part;
    bool occupied = false; // a card of a real type: the occupied face and window text
    std::string label;     // the slot label, only where a card record exists
    std::string text;      // the card's type name or the power supply's kind
};

// The chassis outline; the positions lie inside it.
inline constexpr Rect chassis_outline{10, 10, 305, 101};
inline constexpr std::size_t chassis_positions = 13;

// The front panel of `box`: the eight tributary slots, the in-band slot, the two
// controllers and the two power supplies, in that order.
std::array<ChassisPosition, chassis_positions> chassis_drawing(const Chassis& box);

// The client area's size: the outline with a margin around it.
inline constexpr int chassis_client_width = chassis_outline.width + 10 + 2 * chassis_outline.left;
inline constexpr int chassis_client_height = chassis_outline.height + 10 + 2 * chassis_outline.top;

// The stored corner when it lies well inside the screen, otherwise none: the window
// manager places the window and the stored corner is forgotten.
std::optional<Point> chassis_corner(int x, int y, int screen_width, int screen_height);

// "host - sysName", 79 characters at most.
std::string chassis_title(const Box& box);

} // namespace vornex
