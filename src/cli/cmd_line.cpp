// line: the configuration dialogs of a port, T3 channel, AUG, node or low-order path from a
// shell. Without --set it prints the setting group as the dialog reads it; with --set it
// applies the changes through the same read, compare and write as the dialog's OK, with
// the same checks and messages, and the endpoint tree follows as after the dialog.
#include "cli/cli.h"
#include "cli/device_options.h"
#include "device/box.h"
#include "lineconf/line_setup.h"
#include "lineconf/path_overhead.h"
#include "model/card.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>

namespace vornex::cli {
namespace {

const char* const usage =
    "line DEVICE OPTIONS --slot N --port P [--channel C | --aug A [--node M [--path L]]] "
    "[--dialog line|info|overhead|framer|granularity] [--through T] [--set NAME=VALUE ...] "
    "[--json]";

const char* dialog_word(line_dialog dialog) {
    switch (dialog) {
    case line_dialog::customer_info:
    case line_dialog::stm_customer_info:
        return "info";
    case line_dialog::t1_line:
    case line_dialog::e1_line:
    case line_dialog::t3_line:
        return "line";
    case line_dialog::t3_e1_framer:
    case line_dialog::t3_t1_framer:
    case line_dialog::pdh_t1_framer:
    case line_dialog::pdh_e1_framer:
        return "framer";
    case line_dialog::line_overhead:
    case line_dialog::ho_overhead:
    case line_dialog::lo_overhead:
        return "overhead";
    case line_dialog::aug_granularity:
    case line_dialog::node_granularity:
        break;
    }
    return "granularity";
}

bool same_text(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

// One named setting of a group as the command shows and takes it.
struct field {
    std::string name;
    std::string value;
    // Takes a --set value; false when the value is not one the setting takes. Null for
    // settings that are shown but never written.
    std::function<bool(const std::string&)> take;
};

// The endpoint the options name; null after the reason.
HsEntry* locate(Box& box, const Args& args, Context& context) {
    const auto number = [&](const char* option) {
        return std::atoi(args.value(option).value_or("0").c_str());
    };
    const int slot = number("--slot");
    const Card* card = nullptr;
    for (const auto& c : box.cards) {
        card = c->slot == slot ? c.get() : card;
    }
    if (card == nullptr) {
        context.err << "vornex-cli: no card in slot " << slot << '\n';
        return nullptr;
    }
    const EndpointList* list = &card->endpoints;
    HsEntry* node = nullptr;
    const std::pair<const char*, int> levels[] = {
        {"--port", 1}, {"--channel", 4}, {"--aug", 2}, {"--node", 3}, {"--path", 4}};
    for (const auto& [option, byte] : levels) {
        if (!args.value(option)) {
            continue;
        }
        const int wanted = number(option);
        const auto it = std::find_if(list->begin(), list->end(), [&, byte = byte](const auto& e) {
            return e->address[byte] == wanted;
        });
        if (it == list->end() || wanted <= 0) {
            context.err << "vornex-cli: no " << (option + 2) << ' ' << wanted << " there\n";
            return nullptr;
        }
        node = it->get();
        list = &node->children;
    }
    return node;
}

std::string path_text(const Box& box, const HsEntry& node) {
    std::string text = node.name;
    for (const HsEntry* up = node.parent; up != nullptr; up = up->parent) {
        text = up->name + ", " + text;
    }
    return std::string(slot_name(box, *node.card)) + ", " + text;
}

int run(Context& context, const std::vector<std::string>& all_words) {
    // --set may be given many times; Args keeps one value per option.
    std::vector<std::string> words;
    std::vector<std::pair<std::string, std::string>> sets;
    for (std::size_t i = 0; i < all_words.size(); ++i) {
        if (all_words[i] != "--set") {
            words.push_back(all_words[i]);
            continue;
        }
        const std::string pair = i + 1 < all_words.size() ? all_words[++i] : "";
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            context.err << "vornex-cli: --set takes NAME=VALUE\nusage: vornex-cli " << usage
                        << '\n';
            return exit_usage;
        }
        sets.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    }
    std::optional<Args> args;
    int exit_code = exit_ok;
    auto box = open_device_command(
        context, words,
        {"--slot", "--port", "--channel", "--aug", "--node", "--path", "--dialog", "--through"},
        {"--json"}, usage, args, exit_code);
    if (!box) {
        return exit_code;
    }
    if (!args->value("--slot") || !args->value("--port") ||
        (args->value("--channel") && args->value("--aug")) ||
        (args->value("--node") && !args->value("--aug")) ||
        (args->value("--path") && !args->value("--node"))) {
        context.err << "usage: vornex-cli " << usage << '\n';
        return exit_usage;
    }
    if (!build_device_model(context, box)) {
        return exit_failed;
    }
    HsEntry* node = locate(*box, *args, context);
    if (node == nullptr) {
        return exit_usage;
    }
    const std::string where = path_text(*box, *node);
    if (node->setup == SetupDialog::none) {
        context.err << "vornex-cli: " << where << " has no configuration dialog\n";
        return exit_usage;
    }
    const std::vector<popup_entry> popup = setup_popup(*box, *node);
    if (popup.empty()) {
        return exit_failed; // the port's line type could not be read (shown)
    }
    const auto chosen = args->value("--dialog");
    const popup_entry* entry = nullptr;
    for (const popup_entry& e : popup) {
        entry = chosen && *chosen == dialog_word(e.dialog) ? &e : entry;
    }
    if (!chosen && popup.size() == 1) {
        entry = &popup.front();
    }
    if (entry == nullptr) {
        context.err << "vornex-cli: " << where << (chosen ? " has no dialog " + *chosen : "")
                    << (chosen ? "" : " offers two dialogs") << "; --dialog takes";
        for (const popup_entry& e : popup) {
            context.err << ' ' << dialog_word(e.dialog);
        }
        context.err << '\n';
        return exit_usage;
    }
    const line_dialog dialog = entry->dialog;

    const line_group* group = line_group_of(*box, dialog, *node);
    if (group == nullptr && dialog == line_dialog::t3_e1_framer) {
        context.err << "vornex-cli: the line type of " << where << "'s port has no framers\n";
        return exit_failed;
    }

    // The group as its dialog reads it, with what each --set may change.
    std::vector<field> fields;
    line_values values;
    std::string info;
    overhead_values overhead;
    overhead_input input;
    granularity_read granularity;
    int radio = -1;
    bool ranged = false;
    int own = 0;
    int failed_read = 0;
    if (group != nullptr) {
        own = group->unit == range_unit::port ? node->port() : node->address[4];
        failed_read = read_line_group(*box, *group, *node, own, values);
        ranged = true;
        for (std::size_t i = 0; !failed_read && i < group->settings.size(); ++i) {
            const line_setting& s = group->settings[i];
            field f{s.name, value_label(s, values[i]).value_or(std::to_string(values[i])), {}};
            if (s.write != write_rule::never) {
                f.take = [&s, &values, i](const std::string& text) {
                    const auto value = value_of_label(s, text);
                    values[i] = value.value_or(values[i]);
                    return value.has_value();
                };
            }
            fields.push_back(std::move(f));
        }
    } else if (dialog == line_dialog::customer_info || dialog == line_dialog::stm_customer_info) {
        failed_read = read_customer_info(*box, *node, info);
        ranged = dialog == line_dialog::customer_info;
        own = node->port();
        fields.push_back({"Customer Info", info, [&info](const std::string& text) {
                              info = text;
                              return true;
                          }});
    } else if (dialog == line_dialog::aug_granularity || dialog == line_dialog::node_granularity) {
        failed_read = read_granularity(*box, *node, granularity);
        const std::vector<std::string> labels = granularity_labels(*node, granularity);
        radio = granularity_radio(*node, granularity);
        fields.push_back({"Granularity", radio >= 0 ? labels[static_cast<std::size_t>(radio)] : "",
                          [&radio, labels](const std::string& text) {
                              for (std::size_t i = 0; i < labels.size(); ++i) {
                                  radio = same_text(labels[i], text) ? static_cast<int>(i) : radio;
                              }
                              return std::any_of(labels.begin(), labels.end(),
                                                 [&](const auto& l) { return same_text(l, text); });
                          }});
    } else {
        const overhead_group& ovh = overhead_group_for(dialog);
        failed_read = read_overhead(*box, ovh, *node, overhead);
        const bool lo = dialog == line_dialog::lo_overhead;
        ranged = lo;
        own = node->address[4];
        input.mode = overhead.number[ovh_mode];
        input.expected_label = overhead.number[ovh_expected_label];
        input.transmitted_label = overhead.number[ovh_transmitted_label];
        const trace_display shown = display_trace(ovh, overhead, input.mode);
        input.expected = shown.expected;
        input.transmitted = shown.transmitted;
        const trace_mode* mode = find_mode(ovh, input.mode);
        fields.push_back({"Mode", mode != nullptr ? mode->label : std::to_string(input.mode),
                          [&ovh, &input](const std::string& text) {
                              for (const trace_mode& m : ovh.modes) {
                                  if (same_text(m.label, text)) {
                                      input.mode = m.value;
                                      return true;
                                  }
                              }
                              return false;
                          }});
        const std::string trace = ovh.trace;
        const auto text_setter = [](std::string& target) {
            return [&target](const std::string& text) {
                target = text;
                return true;
            };
        };
        if (!lo) {
            fields.push_back(
                {"Exp " + trace + " Msg", shown.expected, text_setter(input.expected)});
        }
        fields.push_back(
            {"Tx " + trace + " Msg", shown.transmitted, text_setter(input.transmitted)});
        fields.push_back({"Rx " + trace + " Msg", shown.received, {}});
        const auto label_text = [lo](long value) {
            return lo ? lo_signal_label(static_cast<int>(value))
                      : ho_signal_label(static_cast<int>(value));
        };
        // A label by its list text or by its value in hexadecimal ("FE").
        const auto label_setter = [lo, label_text](long& target) {
            return [lo, label_text, &target](const std::string& text) {
                char* end = nullptr;
                const long number = std::strtol(text.c_str(), &end, 16);
                for (int v = 0; v < (lo ? 8 : 256); ++v) {
                    if (same_text(label_text(v), text) ||
                        (!text.empty() && *end == '\0' && number == v)) {
                        target = v;
                        return true;
                    }
                }
                return false;
            };
        };
        const std::string prefix = lo ? "LP " : "HP ";
        if (dialog == line_dialog::ho_overhead) {
            fields.push_back(
                {"HP EPSL", label_text(input.expected_label), label_setter(input.expected_label)});
        }
        if (dialog != line_dialog::line_overhead) {
            fields.push_back({prefix + "Tx PSL", label_text(input.transmitted_label),
                              label_setter(input.transmitted_label)});
            fields.push_back(
                {prefix + "Rx PSL", label_text(overhead.number[ovh_received_label]), {}});
        }
    }
    if (failed_read != 0) {
        return exit_failed;
    }

    int through = own;
    if (const auto text = args->value("--through")) {
        if (!ranged) {
            context.err << "vornex-cli: --through is only for dialogs with a range\n";
            return exit_usage;
        }
        through = range_number(*text);
    }
    apply_result result = apply_result::applied;
    if (!sets.empty()) {
        for (const auto& [name, value] : sets) {
            const auto it =
                std::find_if(fields.begin(), fields.end(),
                             [&, &name = name](const field& f) { return same_text(f.name, name); });
            if (it == fields.end()) {
                context.err << "vornex-cli: " << entry->label << " has no setting " << name << '\n';
                return exit_usage;
            }
            if (!it->take) {
                context.err << "vornex-cli: " << it->name << " is never written\n";
                return exit_usage;
            }
            if (!it->take(value)) {
                context.err << "vornex-cli: " << it->name << " does not take " << value << '\n';
                return exit_usage;
            }
            it->value = value;
        }
        if (group != nullptr) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                fields[i].value = value_label(group->settings[i], values[i]).value_or("");
            }
            result = apply_line_group(*box, *group, *node, own, through, values);
        } else if (dialog == line_dialog::customer_info ||
                   dialog == line_dialog::stm_customer_info) {
            result = apply_customer_info(*box, *node, info, ranged, own, through);
        } else if (dialog == line_dialog::aug_granularity ||
                   dialog == line_dialog::node_granularity) {
            result = apply_granularity(*box, *node, granularity, radio);
        } else {
            input.from = own;
            input.to = through;
            result = apply_overhead(*box, overhead_group_for(dialog), *node, input);
        }
    } else if (args->value("--through")) {
        context.err << "vornex-cli: --through goes with --set\n";
        return exit_usage;
    }

    if (result != apply_result::applied) {
        return exit_failed; // the note or the device's refusal was shown
    }
    std::ostream& out = context.out;
    if (args->flag("--json")) {
        out << "{\"endpoint\": " << json_string(where)
            << ", \"dialog\": " << json_string(entry->label) << ", \"settings\": {";
        for (std::size_t i = 0; i < fields.size(); ++i) {
            out << (i == 0 ? "" : ", ") << json_string(fields[i].name) << ": "
                << json_string(fields[i].value);
        }
        out << "}, \"below\": " << node->child_count() << "}\n";
    } else {
        out << where << ": " << entry->label << '\n';
        for (const field& f : fields) {
            out << f.name << '=' << f.value << '\n';
        }
        out << "Below=" << node->child_count() << '\n';
    }
    return exit_ok;
}

const CommandRegistration registration{
    {"line", usage,
     "shows or sets (--set NAME=VALUE) the line, framer, overhead, granularity or customer "
     "info of an endpoint, as its configuration dialog does",
     run}};

} // namespace
} // namespace vornex::cli
