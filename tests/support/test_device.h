#pragma once
// Opens a box on a running simulator the way the program does, with the SNMPv1 communities
// every scenario uses and time-outs short enough that a dropped request costs little.

#include "config/device_config.h"
#include "device/box.h"
#include "model/hs_entry.h"

#include <initializer_list>
#include <memory>

namespace vornex::test {

class SimProcess;

inline const session_timings quick_timings{{1, 300'000}, {1, 300'000}, {1, 300'000}};

// The simulated device over SNMPv1, with the communities every scenario uses.
device_config sim_config(const SimProcess& sim);
// The same device as one of the scenarios' SNMPv3 users ("noauth", "sha", "md5des",
// "shaaes"...), with the pass phrases the scenarios give them.
device_config sim_v3_config(const SimProcess& sim, const char* user, int auth, int priv);

std::unique_ptr<Box> open_test_box(Presenter& presenter, const SimProcess& sim,
                                   const session_timings& timings = quick_timings);

// A node by its names from the card in `slot` down: find_node(box, 1, {"Port-01", "TS-05"}).
// Throws when there is none, which fails the test that asked.
HsEntry& find_node(Box& box, int slot, std::initializer_list<const char*> path);

} // namespace vornex::test
