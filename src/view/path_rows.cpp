#include "view/path_rows.h"

#include "model/card.h"

namespace vornex {

namespace {

void number_list(const EndpointList& list, int side, bool shown, int& counter) {
    for (const auto& node : list) {
        if (shown) {
            node->view.row[side] = counter++;
            number_list(node->children, side, node->view.open_or_selected[side] != 0, counter);
        } else {
            node->view.row[side] = counter - 1;
            number_list(node->children, side, false, counter);
        }
    }
}

} // namespace

int renumber_rows(const CardList& cards, int side) {
    int counter = 1;
    for (const auto& card : cards) {
        card->row[side] = counter++;
        number_list(card->endpoints, side, card->expanded[side] != 0, counter);
    }
    return counter - 1;
}

} // namespace vornex
