#pragma once
// Texts of the program's string table that several subsystems use.

namespace vornex {

inline constexpr char program_title[] = "Vornex v2.02"; // string 103

} // namespace vornex
