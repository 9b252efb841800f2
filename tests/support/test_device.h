#pragma once
// Opens a box on a running simulator the way the program does, with the SNMPv1 communities
// every scenario uses and time-outs short enough that a dropped request costs little.

#include "snmp/box.h"

#include <memory>

namespace vornex::test {

class SimProcess;

inline const session_timings quick_timings{{1, 300'000}, {1, 300'000}, {1, 300'000}};

std::unique_ptr<Box> open_test_box(Presenter& presenter, const SimProcess& sim);

} // namespace vornex::test
