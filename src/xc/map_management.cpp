#include "xc/map_management.h"

#include "comments/comments.h"
#include "device/box.h"
#include "snmp/snmp_access.h"

#include <cstdint>
#include <cstdio>

namespace vornex {

namespace {

constexpr long map_result_success = 2;

std::string map_label(int map, int active_map, const char* active_mark) {
    char text[40];
    if (map == active_map) {
        std::snprintf(text, sizeof text, "Map%d  (%s)", map, active_mark);
    } else {
        std::snprintf(text, sizeof text, "Map%d", map);
    }
    return text;
}

int write_command(Box& box, std::initializer_list<oid> suffix, long value,
                  const snmp_action& failed) {
    const std::vector<oid> name = box.object(suffix);
    const snmp_result result =
        my_snmp_set_int(*box.presenter, box.set_session, name.data(), name.size(), value);
    if (result != snmp_ok) {
        snmp_report_error(box, result, failed);
        return 1;
    }
    return 0;
}

// Reads the result of the map command just written; 0 when it was carried out. A refusal
// is shown as "The <command> map command reported error: ..." with its text or number.
int map_command_verdict(Box& box, const char* command) {
    std::int32_t result = 0;
    const snmp_result read = get_device_integer(box, {1, 16, 4, 4, 0}, result);
    if (read != snmp_ok) {
        snmp_report_error(box, read, setting_map_entries);
        return 1;
    }
    if (result == map_result_success) {
        return 0;
    }
    if (const char* text = map_result_text(result)) {
        error_dialog_main(*box.presenter,
                          "!!Error\r\n\r\n\r\n\r\nThe %s map command reported error: %s", command,
                          text);
    } else {
        error_dialog_main(*box.presenter,
                          "!!Error\r\n\r\n\r\n\r\nThe %s map command reported error: %d", command,
                          static_cast<int>(result));
    }
    return 1;
}

} // namespace

const char* map_result_text(long result) {
    static const char* const texts[] = {"none", "success", "fail", "timeout"};
    return result >= 1 && result <= 4 ? texts[result - 1] : nullptr;
}

std::string select_map_label(int map, int active_map) {
    return map_label(map, active_map, "active");
}

std::string active_map_label(int map, int active_map) {
    return map_label(map, active_map, "currently active");
}

int inactive_map(int active_map) {
    return active_map == 1 ? 2 : 1;
}

std::string map_copy_label(int active_map) {
    char text[64];
    std::snprintf(text, sizeof text, "Copy Map%d (active) to Map%d (inactive).", active_map,
                  inactive_map(active_map));
    return text;
}

int select_map_choice(Box& box, int chosen) {
    if (chosen == box.displayed_map) {
        return map_dialog_no_reload;
    }
    box.displayed_map = chosen;
    box.changes.notify(change_displayed_map);
    return map_dialog_reload;
}

int active_map_choice(Box& box, int chosen) {
    if (chosen == box.active_map) {
        return map_dialog_no_reload;
    }
    box.active_map = chosen;
    return map_dialog_reload;
}

int activate_map(Box& box) {
    if (write_command(box, {1, 16, 4, 1, 0}, box.active_map, activating_map) != 0 ||
        map_command_verdict(box, "activate") != 0) {
        return 1;
    }
    box.changes.notify(change_active_map);
    return 0;
}

int map_delete(Box& box, int map, bool clear_identifiers, bool clear_comments, bool* carried_out) {
    if (carried_out != nullptr) {
        *carried_out = false;
    }
    if (confirm_dialog(*box.presenter, OwnerWindow::main_window(),
                       "Confirm Map Delete\r\n\r\n\r\n\r\nDelete all cross-connects in Map%d?",
                       map) != dialog_ok) {
        return 0;
    }
    if (write_command(box, {1, 16, 4, 2, 0}, map, clearing_map_entries) != 0 ||
        map_command_verdict(box, "delete") != 0) {
        return map_dialog_no_reload;
    }
    if (carried_out != nullptr) {
        *carried_out = true;
    }
    box.changes.set_not_stored(true);
    // The comments go only with the identifiers: the second box alone clears nothing.
    if (clear_identifiers) {
        comment_clear_map(box, map - 1, clear_comments);
        box.comments_dirty = true;
        box.changes.notify(change_comments);
    }
    return map == box.displayed_map ? map_dialog_reload : map_dialog_no_reload;
}

int map_copy(Box& box, bool include_identifiers, bool* carried_out) {
    if (carried_out != nullptr) {
        *carried_out = false;
    }
    if (write_command(box, {1, 16, 4, 3, 0}, 2, copying_map_entries) != 0 ||
        map_command_verdict(box, "copy") != 0) {
        return map_dialog_no_reload;
    }
    if (carried_out != nullptr) {
        *carried_out = true;
    }
    box.changes.set_not_stored(true);
    const int target = inactive_map(box.active_map);
    if (include_identifiers && box.active_map >= 1 && box.active_map <= 4) {
        comment_copy_map(box, box.active_map - 1, target - 1);
        box.comments_dirty = true;
        box.changes.notify(change_comments);
    }
    return box.displayed_map == target ? map_dialog_reload : map_dialog_no_reload;
}

int store_config(Box& box) {
    if (confirm_dialog(*box.presenter, OwnerWindow::main_window(),
                       "Confirm Store\r\n\r\n\r\nStore configuration?") != dialog_ok ||
        write_command(box, {1, 7, 1, 0}, 1, storing_map) != 0) {
        return 1;
    }
    box.changes.set_not_stored(false);
    return 0;
}

int retrieve_config(Box& box) {
    if (confirm_dialog(*box.presenter, OwnerWindow::main_window(),
                       "Confirm\r\n\r\n\r\nRetrieve stored configuration overwriting current "
                       "configuration?") != dialog_ok ||
        write_command(box, {1, 7, 1, 0}, 2, retrieving_map) != 0) {
        return 1;
    }
    box.changes.set_not_stored(false);
    return 0;
}

} // namespace vornex
