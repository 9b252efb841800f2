#include "xc/map_controls.h"

#include "base/presenter.h"
#include "comments/comments.h"
#include "device/box.h"
#include "model/card.h"
#include "xc/xc_commands.h"
#include "xc/xc_probe.h"

#include <cstdlib>

namespace vornex {

namespace {

bool any_connected(const SelectedRun& run) {
    const HsEntry* leaf = run.first;
    for (int i = 0; i < run.count && leaf != nullptr; ++i, leaf = next_sibling(*leaf)) {
        if (is_connected(*leaf)) {
            return true;
        }
    }
    return false;
}

bool in_band(const SelectedRun& run) {
    return run.card != nullptr && run.card->address_slot == in_band_slot;
}

bool runs_match(const SelectedRun& left, const SelectedRun& right) {
    return !left.empty() && left.count == right.count && left.first->kind == right.first->kind;
}

} // namespace

SelectedRun selected_run(Box& box, int side) {
    SelectedRun run;
    for (const auto& card : box.cards) {
        first_selected(card->endpoints, side, run.first, run.count);
        if (run.first != nullptr) {
            run.card = card.get();
            return run;
        }
    }
    return {};
}

int sig_conv_table_for(int channel_type, int xc_type, const std::string& field) {
    if (channel_type != channel_voice || xc_type != xc_unidirectional) {
        return no_sig_conv_table;
    }
    const int value = std::atoi(field.substr(0, 7).c_str());
    return value <= 0 || value > 256 ? no_sig_conv_table : value;
}

MapControls update_map_controls(Box& box, bool voice_mode) {
    const SelectedRun left = selected_run(box, 0);
    const SelectedRun right = selected_run(box, 1);
    MapControls c;
    c.unmap_left = !left.empty() && !in_band(left);
    c.unmap_both_left = !left.empty();
    c.unmap_right = !right.empty() && !in_band(right);
    c.unmap_both_right = !right.empty();

    c.channel_enabled = !left.empty() && !right.empty() && !left.card->hdlc && !right.card->hdlc;
    c.data_checked = !c.channel_enabled || !voice_mode;
    c.voice_checked = c.channel_enabled && voice_mode;
    c.sig_conv_enabled = c.voice_checked;
    c.a_mu_enabled = c.channel_enabled && left.card != right.card;

    if (runs_match(left, right)) {
        const bool left_free = !any_connected(left);
        const bool right_free = !any_connected(right);
        const bool no_in_band = !in_band(left) && !in_band(right);
        c.map_both = left_free && right_free;
        c.map_left = left_free && no_in_band;
        c.map_right = right_free && no_in_band;
    }
    return c;
}

int map_selection(Box& box, int side, int xc_type, const MapOptions& options) {
    const SelectedRun destination = selected_run(box, side);
    const SelectedRun source = selected_run(box, 1 - side);
    if (!runs_match(destination, source)) {
        return 0;
    }
    if (options.apply && !comment_text_acceptable(options.identifier)) {
        // Refused before the device is asked: the identifier would not survive the file.
        error_dialog(*box.presenter, OwnerWindow::main_window(), comment_text_refused);
        return 1;
    }
    xc_attributes attributes;
    attributes.xc_type = xc_type;
    if (options.voice_checked) {
        attributes.channel_type = channel_voice;
    } else if (options.data_checked) {
        attributes.channel_type = channel_data;
    } else {
        internal_error_box(*box.presenter, "Unable to map. Channel type not selected");
        return 1;
    }
    attributes.a_mu_mode = options.a_mu_checked ? a_mu_on : a_mu_off;
    attributes.sig_conv_table =
        sig_conv_table_for(attributes.channel_type, xc_type, options.sig_conv);
    const std::string text = options.apply ? options.identifier.substr(0, 19) : std::string();
    return map_range(box, *destination.first, *source.first, destination.count, attributes,
                     options.apply, text, text);
}

int unmap_selection(Box& box, int side, int xc_type, const MapOptions& options) {
    const SelectedRun run = selected_run(box, side);
    if (run.empty()) {
        return 0;
    }
    return unmap_range(box, *run.first, run.count, {.xc_type = xc_type}, options.apply);
}

} // namespace vornex
