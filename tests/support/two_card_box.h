#pragma once
// A box built by hand, with no device behind it: cards in slots 1 and 3, each with one port
// of four timeslots, for the map view's row, graph and index tests.

#include "device/box.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "view/path_rows.h"

#include <array>

namespace vornex::test {

struct TwoCardBox {
    TwoCardBox() {
        for (int c = 0; c < 2; ++c) {
            Card& card = new_card(box);
            card.slot = card.address_slot = static_cast<std::uint8_t>(1 + 2 * c);
            card.installed_model = 7;
            HsEntry& port = append_entry(card.endpoints, nullptr, card);
            port.name = "Port-01";
            port.address = {card.address_slot, 1, 100, 100, 100, 100};
            NewHsEntry(card, port, 2, 5);
            ports[c] = &port;
            for (int i = 0; i < 4; ++i) {
                leaf[c][i] = port.children[static_cast<std::size_t>(i)].get();
                leaf[c][i]->xc_valid = true;
                leaf[c][i]->peer = no_address;
            }
        }
        box.displayed_map = 1;
    }

    // Expands both cards and ports on both sides and numbers the rows: cards on rows 1 and
    // 7, ports on 2 and 8, timeslots on 3-6 and 9-12.
    void expand_all() {
        for (int side = 0; side < 2; ++side)
            for (int c = 0; c < 2; ++c) {
                box.cards[static_cast<std::size_t>(c)]->expanded[side] = 1;
                ports[c]->view.open_or_selected[side] = 1;
            }
        renumber();
    }
    void renumber() {
        renumber_rows(box.cards, 0);
        renumber_rows(box.cards, 1);
    }

    // `from` names `to` as its far end (channel type 2 is voice).
    static void connect(HsEntry& from, const HsEntry& to, std::uint8_t channel_type = 1) {
        from.xc_valid = true;
        from.peer = to.address;
        from.channel_type = channel_type;
    }
    // A mutual cross-connect; `a` alone carries `a_type`.
    static void pair(HsEntry& a, HsEntry& b, std::uint8_t a_type = 1) {
        connect(a, b, a_type);
        connect(b, a);
    }

    RecordingPresenter presenter;
    Box box{presenter};
    std::array<HsEntry*, 2> ports{};
    HsEntry* leaf[2][4]{};
};

} // namespace vornex::test
