#include "xc/endpoint_path.h"

#include "base/text.h"
#include "device/box.h"
#include "model/card.h"

#include <algorithm>
#include <cctype>

namespace vornex {

namespace {

HsEntry* leaf_in(const EndpointList& list, const std::vector<std::string>& names, std::size_t at) {
    if (at >= names.size()) {
        return nullptr;
    }
    for (const auto& node : list) {
        if (!equal_ignoring_case(node->name, names[at])) {
            continue;
        }
        if (node->is_leaf()) {
            const bool last = at + 1 == names.size() || names[at + 1].empty();
            return last ? node.get() : nullptr;
        }
        return leaf_in(node->children, names, at + 1);
    }
    return nullptr;
}

} // namespace

HsEntry* find_endpoint_by_path(Box& box, const std::vector<std::string>& names) {
    if (names.size() < 3 || names[0].empty() || names[1].empty()) {
        return nullptr;
    }
    for (const auto& card : box.cards) {
        if (equal_ignoring_case(card->type_name, names[0]) &&
            equal_ignoring_case(slot_name(box, *card), names[1])) {
            if (HsEntry* leaf = leaf_in(card->endpoints, names, 2)) {
                return leaf;
            }
        }
    }
    return nullptr;
}

std::vector<std::string> endpoint_path(const Box& box, const HsEntry& node) {
    std::vector<std::string> names;
    for (const HsEntry* at = &node; at != nullptr; at = at->parent) {
        names.insert(names.begin(), at->name);
    }
    names.insert(names.begin(), slot_name(box, *node.card));
    names.insert(names.begin(), node.card->type_name);
    return names;
}

} // namespace vornex
