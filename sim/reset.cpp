#include "reset.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <nlohmann/json.hpp>

namespace vornex::sim {

namespace {

// A card family's reset object (below the root; the slot follows) and its values: warm,
// cold, both cards warm, both cards cold.
struct CardReset {
    Oid object;
    std::array<long, 4> values;
};

const CardReset e1_reset{{3, 7, 1, 2}, {1, 2, 3, 4}};
const CardReset t1_reset{{4, 7, 1, 2}, {1, 2, 3, 4}};
const CardReset t3_reset{{5, 6, 1, 2}, {1, 2, 4, 5}};
const CardReset stm_reset{{2, 16, 1, 2}, {2, 3, 4, 5}};

// HDLC, empty and unknown cards have no reset.
const CardReset* card_reset_of(Family family) {
    switch (family) {
    case e1:
        return &e1_reset;
    case t1:
        return &t1_reset;
    case t3:
        return &t3_reset;
    case sdh:
    case sonet:
        return &stm_reset;
    case none:
        break;
    }
    return nullptr;
}

const auto wall_start = std::chrono::steady_clock::now();

} // namespace

Resets::Resets(Device& device, const nlohmann::json& scenario) : device_(device) {
    const nlohmann::json r = scenario.value("reset", nlohmann::json::object());
    ResetTiming& t = timing_;
    t.reboot_ms = r.value("reboot_ms", t.reboot_ms);
    t.takeover_ms = r.value("takeover_ms", t.takeover_ms);
    t.standby_ms = r.value("standby_ms", t.standby_ms);
    t.sync_ms = r.value("sync_ms", t.sync_ms);
    t.card_ms = r.value("card_ms", t.card_ms);
    t.card_warm_ms = r.value("card_warm_ms", t.card_warm_ms);
    t.keep_boots = r.value("keep_boots", t.keep_boots);
    t.engine_time_s = r.value("engine_time_s", t.engine_time_s);

    has_standby_ = integer({1, 2, 1, 12, 0}) == 2;
    Store& store = device_.store();
    store.put(device_.root() + Oid{1, 7, 3, 0}, Value::integer(0),
              Rule::one_of({1, 2, 3, 4, 5, 6}));
    for (std::uint32_t slot = 1; slot <= 8; ++slot)
        if (const CardReset* c = card_reset_of(device_.card_family(static_cast<int>(slot))))
            store.put(device_.root() + c->object + Oid{slot}, Value::integer(0),
                      Rule::one_of({c->values.begin(), c->values.end()}));
    // The reset objects are part of the unit from the start, also after a retrieve.
    device_.store_configuration();
}

void Resets::restore_configuration() {
    // The configuration comes back; the controllers, their firmware banks and the card
    // states are what the hardware says, not part of it.
    const Oid kept_prefixes[] = {device_.root() + Oid{1, 2}, device_.root() + Oid{1, 1, 1, 9}};
    std::vector<std::pair<Oid, Value>> kept;
    for (const Oid& prefix : kept_prefixes)
        for (auto it = device_.store().objects().lower_bound(prefix);
             it != device_.store().objects().end() && has_prefix(it->first, prefix); ++it)
            kept.emplace_back(it->first, it->second.value);
    device_.retrieve_configuration();
    for (const auto& [oid, value] : kept)
        device_.store().assign(oid, value);
}

std::int64_t Resets::now_ms() const {
    if (manual_)
        return manual_ms_;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 wall_start)
        .count();
}

void Resets::advance(std::int64_t ms) {
    manual_ms_ = now_ms() + ms;
    manual_ = true;
}

long Resets::integer(const Oid& rel) const {
    const Object* o = device_.store().find(device_.root() + rel);
    return o ? static_cast<long>(o->value.number) : 0;
}

void Resets::set_integer(const Oid& rel, long value) {
    device_.store().assign(device_.root() + rel, Value::integer(value));
}

void Resets::at(std::int64_t after_ms, std::function<void()> action) {
    due_.emplace(now_ms() + after_ms, std::move(action));
}

void Resets::go_silent(std::int64_t ms) {
    silent_ = true;
    silent_until_ = now_ms() + ms;
}

bool Resets::tick() {
    const std::int64_t now = now_ms();
    bool back = false;
    if (silent_ && now >= silent_until_) {
        silent_ = false;
        back = true;
    }
    while (!due_.empty() && due_.begin()->first <= now) {
        auto action = std::move(due_.begin()->second);
        due_.erase(due_.begin());
        action();
    }
    return back;
}

std::string Resets::active_version(int board) const {
    const std::uint32_t b = static_cast<std::uint32_t>(board);
    const long active = integer({1, 2, 2, 1, 1, 5, b});
    const Object* o =
        device_.store().find(device_.root() + Oid{1, 2, 2, 1, 1, active == 2 ? 4u : 3u, b});
    return o ? o->value.text : std::string();
}

void Resets::switch_bank(int board) {
    const std::uint32_t b = static_cast<std::uint32_t>(board);
    if (device_.store().find(device_.root() + Oid{1, 2, 2, 1, 1, 5, b}))
        set_integer({1, 2, 2, 1, 1, 5, b}, integer({1, 2, 2, 1, 1, 5, b}) == 2 ? 1 : 2);
}

void Resets::show_controllers(bool standby_visible) {
    const long working = integer({1, 2, 1, 11, 0}) == 2 ? 2 : 1;
    Store& store = device_.store();
    store.assign(device_.root() + Oid{1, 2, 1, 3, 0},
                 Value::octets(" " + active_version(static_cast<int>(working))));
    if (!has_standby_)
        return;
    set_integer({1, 2, 1, 12, 0}, standby_visible ? 2 : 1);
    store.assign(device_.root() + Oid{1, 2, 1, 7, 0},
                 Value::octets(standby_visible ? " " + active_version(3 - static_cast<int>(working))
                                               : std::string()));
}

void Resets::reset_controllers(int code) {
    const bool cold = code % 2 == 1;
    const int working = integer({1, 2, 1, 11, 0}) == 2 ? 2 : 1;
    auto standby_returns = [this](std::int64_t after) {
        at(after, [this] { show_controllers(true); });
        at(after + timing_.sync_ms, [this] { set_integer({1, 2, 1, 10, 0}, 2); });
    };
    auto lose_standby = [this] {
        if (has_standby_) {
            set_integer({1, 2, 1, 10, 0}, 1);
            show_controllers(false);
        }
    };
    switch (code) {
    case 1:
    case 2:
    case 4:
        if (code == 1) {
            restore_configuration();
            switch_bank(1);
            switch_bank(2);
        }
        go_silent(timing_.reboot_ms);
        if (code == 4) {
            // The standby stays; the pair synchronises again once the working XCU is back.
            if (has_standby_)
                set_integer({1, 2, 1, 10, 0}, 1);
            at(timing_.reboot_ms + timing_.sync_ms, [this] {
                if (has_standby_)
                    set_integer({1, 2, 1, 10, 0}, 2);
            });
            break;
        }
        lose_standby();
        at(timing_.reboot_ms, [this] { show_controllers(false); });
        if (has_standby_)
            standby_returns(timing_.reboot_ms + timing_.standby_ms);
        break;
    case 3:
        if (!has_standby_)
            restore_configuration();
        switch_bank(working);
        if (!has_standby_) {
            go_silent(timing_.reboot_ms);
            at(timing_.reboot_ms, [this] { show_controllers(false); });
            break;
        }
        // The standby takes over: the agent answers again from the other XCU, and the reset
        // one comes back as the standby.
        go_silent(timing_.takeover_ms);
        lose_standby();
        at(timing_.takeover_ms, [this, working] {
            set_integer({1, 2, 1, 11, 0}, 3 - working);
            show_controllers(false);
        });
        standby_returns(timing_.takeover_ms + timing_.standby_ms);
        break;
    case 5:
    case 6:
        if (!has_standby_)
            break;
        if (cold)
            switch_bank(3 - working);
        lose_standby();
        standby_returns(timing_.standby_ms);
        break;
    default:
        break;
    }
}

void Resets::reset_card(int slot, long value) {
    const CardReset* c = card_reset_of(device_.card_family(slot));
    if (!c)
        return;
    const auto index = std::find(c->values.begin(), c->values.end(), value) - c->values.begin();
    const bool cold = index == 1 || index == 3;
    std::vector<int> slots{slot};
    // The "both cards" values reset the partner of a protected pair too.
    if (const int partner = device_.protected_partner(slot);
        index >= 2 && partner != 0 && card_reset_of(device_.card_family(partner)))
        slots.push_back(partner);
    const int away = cold ? timing_.card_ms : timing_.card_warm_ms;
    for (int s : slots) {
        const Oid state{1, 1, 1, 9, static_cast<std::uint32_t>(s)};
        if (cold)
            switch_bank(s + 2);
        if (away <= 0)
            continue;
        set_integer(state, cold ? 4 : 3);
        at(away, [this, state] { set_integer(state, 1); });
    }
}

bool Resets::written(const Oid& name) {
    const Oid& root = device_.root();
    if (!has_prefix(name, root))
        return false;
    const Oid rel(name.begin() + static_cast<long>(root.size()), name.end());
    const Object* o = device_.store().find(name);
    if (!o)
        return false;
    if (rel == Oid{1, 7, 3, 0}) {
        reset_controllers(static_cast<int>(o->value.number));
        return true;
    }
    if (rel.size() == 5) {
        const int slot = static_cast<int>(rel[4]);
        const CardReset* c = card_reset_of(device_.card_family(slot));
        if (c && Oid(rel.begin(), rel.begin() + 4) == c->object) {
            reset_card(slot, static_cast<long>(o->value.number));
            return true;
        }
    }
    return false;
}

} // namespace vornex::sim
