#pragma once
// The device as the model knows it: its SNMP side, the maps, the cards with their endpoint
// trees, and what the controller reads learnt. The open device (Box) adds its comments.

#include "base/changes.h"
#include "snmp/snmp_device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vornex {

struct Card;

struct Chassis : SnmpDevice {
    explicit Chassis(Presenter& presenter);
    ~Chassis(); // frees the cards and their endpoint trees

    int displayed_map = 0;
    int active_map = 0;
    std::vector<std::unique_ptr<Card>> cards; // slot order, the in-band card last
    std::uint32_t serial_1 = 0;
    std::uint32_t serial_2 = 0;
    std::string power_supply_1;
    std::string power_supply_2;
    bool fw_ge_2_15_01 = false;
    bool fw_lt_2_15_01 = true;
    bool fw_ge_2_15_02 = false;
    std::string controller_version; // the version text the flags were taken from

    // Every view of this device listens here; the changes-not-stored flag is the device's.
    Changes changes;
};

} // namespace vornex
