#pragma once
// The rows of one side of the map view, worked out without any window system. Every card
// and every shown node gets a row number, counted from 1 down the side; a node hidden
// under a collapsed card or node carries the row of its nearest shown ancestor, so a drag
// over a collapsed row reaches the leaves under it and the graph can tell what is visible.

#include <memory>
#include <vector>

namespace vornex {

struct Card;

using CardList = std::vector<std::unique_ptr<Card>>;

// Numbers `side` of every card's tree by its cards' and nodes' expansion; returns the
// number of rows the side shows (its maximum row).
int renumber_rows(const CardList& cards, int side);

} // namespace vornex
