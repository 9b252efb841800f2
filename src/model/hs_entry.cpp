#include "model/hs_entry.h"

#include "model/card.h"

#include <cstdarg>
#include <cstdio>

namespace vornex {

std::string entry_name(std::size_t field_size, const char* format, ...) {
    char buffer[32] = {};
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, field_size < sizeof buffer ? field_size : sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string address_text(const EndpointAddress& address) {
    std::string text;
    for (std::size_t i = 0; i < address.size(); ++i) {
        text += (i == 0 ? "" : ".") + std::to_string(address[i]);
    }
    return text;
}

HsEntry& append_entry(EndpointList& list, HsEntry* parent, Card& card) {
    auto& entry = *list.emplace_back(std::make_unique<HsEntry>());
    entry.parent = parent;
    entry.card = &card;
    return entry;
}

int NewHsEntry(Card& card, HsEntry& parent, int first, int last) {
    for (int index = first; index <= last; ++index) {
        HsEntry& ts = append_entry(parent.children, &parent, card);
        ts.name = entry_name(16, "TS-%02d", index - 1);
        ts.short_name = entry_name(4, "%02d", index - 1);
        ts.address = parent.address;
        ts.address[0] = card.address_slot;
        ts.address[5] = static_cast<std::uint8_t>(index);
        ts.kind = index == unframed_index ? kind_unframed : kind_plain;
        ts.channel_type = not_applicable;
    }
    return 0;
}

void free_endpoints(EndpointList& list) {
    list.clear();
}

} // namespace vornex

namespace vornex {

HsEntry* next_sibling(const HsEntry& node) {
    const EndpointList& list =
        node.parent != nullptr ? node.parent->children : node.card->endpoints;
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        if (list[i].get() == &node) {
            return list[i + 1].get();
        }
    }
    return nullptr;
}

} // namespace vornex
