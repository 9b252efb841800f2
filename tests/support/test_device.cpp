#include "test_device.h"

#include "device/box.h"
#include "model/card.h"
#include "sim_process.h"

#include <algorithm>
#include <stdexcept>

namespace vornex::test {

device_config sim_config(const SimProcess& sim) {
    device_config config;
    device_config_set_defaults(config);
    config.hostname = sim.peer();
    config.get_community = "public";
    config.set_community = "private";
    return config;
}

device_config sim_v3_config(const SimProcess& sim, const char* user, int auth, int priv) {
    device_config config = sim_config(sim);
    config.snmp_version = snmp_version_3;
    config.security_username = user;
    config.auth_protocol = auth;
    config.priv_protocol = priv;
    config.auth_key = auth == auth_md5 ? "md5-auth-pass" : "sha-auth-pass";
    config.priv_key = priv == priv_des ? "des-priv-pass" : "aes-priv-pass";
    return config;
}

std::unique_ptr<Box> open_test_box(Presenter& presenter, const SimProcess& sim,
                                   const session_timings& timings) {
    return AM_New_Box(presenter, {}, sim_config(sim), timings);
}

HsEntry& find_node(Box& box, int slot, std::initializer_list<const char*> path) {
    const auto card =
        std::ranges::find_if(box.cards, [&](const auto& c) { return c->slot == slot; });
    if (card == box.cards.end())
        throw std::runtime_error("no card in slot " + std::to_string(slot));
    const EndpointList* list = &(*card)->endpoints;
    HsEntry* found = nullptr;
    for (const char* name : path) {
        const auto it = std::ranges::find(*list, std::string_view(name), &HsEntry::name);
        if (it == list->end())
            throw std::runtime_error(std::string("no node ") + name);
        found = it->get();
        list = &found->children;
    }
    return *found;
}

} // namespace vornex::test
