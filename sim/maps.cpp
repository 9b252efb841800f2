// The map commands and the configuration store: activating a map, deleting every
// cross-connect of a map, copying the active map onto the inactive one, and keeping and
// putting back the stored configuration.
//
// A map command answers through R.1.16.4.4.0: 1 none (no command yet), 2 success, 3 fail,
// 4 timeout; a forced result (control channel) answers any code and changes nothing.
#include "device.h"

namespace vornex::sim {

namespace {

constexpr int result_success = 2, result_fail = 3;

std::uint32_t u(int n) {
    return static_cast<std::uint32_t>(n);
}

} // namespace

void Device::build_map_commands() {
    store_.put(r({1, 16, 4, 2, 0}), Value::integer(0), Rule::one_of({1, 2}));
    store_.put(r({1, 16, 4, 3, 0}), Value::integer(0), Rule::one_of({2}));
    store_.put(r({1, 16, 4, 4, 0}), Value::integer(1), Rule::read_only());
    store_.put(r({1, 7, 1, 0}), Value::integer(0), Rule::one_of({1, 2}));
}

int Device::map_command_result(int result) {
    store_.put(r({1, 16, 4, 4, 0}), Value::integer(result), Rule::read_only());
    return result;
}

bool Device::map_command_followed(const Oid& rel) {
    const Object* written = store_.find(root_ + rel);
    const int value = written ? static_cast<int>(written->value.number) : 0;
    if (rel == Oid{1, 16, 4, 1, 0}) {
        activate_map(value);
        return true;
    }
    if (rel == Oid{1, 16, 4, 2, 0}) {
        delete_map(value);
        return true;
    }
    if (rel == Oid{1, 16, 4, 3, 0}) {
        copy_active_map();
        return true;
    }
    if (rel == Oid{1, 7, 1, 0}) {
        if (value == 1)
            store_configuration();
        else if (value == 2)
            retrieve_configuration();
        return true;
    }
    return false;
}

int Device::activate_map(int map) {
    // The active map object holds the map that carries traffic, so a refused activation
    // puts the old one back.
    const Oid active = r({1, 16, 4, 1, 0});
    const auto forced = take_forced_result();
    if (forced || (map != 1 && map != 2)) {
        store_.assign(active, Value::integer(active_map_));
        return map_command_result(forced.value_or(result_fail));
    }
    active_map_ = map;
    store_.assign(active, Value::integer(map));
    return map_command_result(result_success);
}

int Device::delete_map(int map) {
    if (const auto forced = take_forced_result())
        return map_command_result(*forced);
    if (map != 1 && map != 2)
        return map_command_result(result_fail);
    for (int c = 9; c <= 18; ++c)
        store_.erase_prefix(r({1, 16, 3, 1, u(c), u(map)}));
    return map_command_result(result_success);
}

int Device::copy_active_map() {
    if (const auto forced = take_forced_result())
        return map_command_result(*forced);
    const int from = active_map_, to = active_map_ == 1 ? 2 : 1;
    std::vector<std::pair<Oid, Object>> rows;
    for (int c = 9; c <= 18; ++c) {
        const Oid prefix = r({1, 16, 3, 1, u(c), u(from)});
        for (auto it = store_.objects().lower_bound(prefix);
             it != store_.objects().end() && has_prefix(it->first, prefix); ++it) {
            Oid target = it->first;
            target[prefix.size() - 1] = u(to);
            rows.emplace_back(std::move(target), it->second);
        }
        store_.erase_prefix(r({1, 16, 3, 1, u(c), u(to)}));
    }
    for (auto& [oid, object] : rows)
        store_.put(oid, object.value, object.rule);
    return map_command_result(result_success);
}

void Device::store_configuration() {
    stored_ = store_;
}

void Device::retrieve_configuration() {
    // The command objects keep what was last written to them and their results; everything
    // else is the stored configuration again.
    const Store running = store_;
    store_ = stored_;
    for (const Oid& prefix : {r({1, 16, 1}), r({1, 16, 2}), r({1, 16, 4, 2}), r({1, 16, 4, 3}),
                              r({1, 16, 4, 4}), r({1, 7, 1})}) {
        store_.erase_prefix(prefix);
        for (auto it = running.objects().lower_bound(prefix);
             it != running.objects().end() && has_prefix(it->first, prefix); ++it)
            store_.put(it->first, it->second.value, it->second.rule);
    }
    active_map_ = static_cast<int>(store_.find(r({1, 16, 4, 1, 0}))->value.number);
}

} // namespace vornex::sim
