#include "test_device.h"

#include "config/device_config.h"
#include "device/box.h"
#include "model/card.h"
#include "sim_process.h"

#include <algorithm>
#include <stdexcept>

namespace vornex::test {

std::unique_ptr<Box> open_test_box(Presenter& presenter, const SimProcess& sim) {
    device_config config;
    device_config_set_defaults(config);
    config.hostname = sim.peer();
    config.get_community = "public";
    config.set_community = "private";
    return AM_New_Box(presenter, {}, config, quick_timings);
}

HsEntry& find_node(Box& box, int slot, std::initializer_list<const char*> path) {
    for (const auto& card : box.cards) {
        if (card->slot != slot) {
            continue;
        }
        const EndpointList* list = &card->endpoints;
        HsEntry* found = nullptr;
        for (const char* name : path) {
            auto it = std::find_if(list->begin(), list->end(),
                                   [&](const auto& n) { return n->name == name; });
            if (it == list->end()) {
                throw std::runtime_error(std::string("no node ") + name);
            }
            found = it->get();
            list = &found->children;
        }
        return *found;
    }
    throw std::runtime_error("no card in slot " + std::to_string(slot));
}

} // namespace vornex::test
