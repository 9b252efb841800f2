#pragma once
// Endpoints named the way a map export row names them: card type, slot name, then the
// names of the levels down to a leaf ("E1-NP", "Trib1", "Port-01", "TS-01"), compared
// without regard to case. The import and the command line locate endpoints this way.

#include "model/hs_entry.h"

#include <string>
#include <vector>

namespace vornex {

struct Box;

// The leaf the names lead to; null when the path ends above a leaf or matches nothing. A
// leaf matched before the last name counts when the names after it are empty.
HsEntry* find_endpoint_by_path(Box& box, const std::vector<std::string>& names);

// The names of a node's path, card type and slot name first.
std::vector<std::string> endpoint_path(const Box& box, const HsEntry& node);

} // namespace vornex
