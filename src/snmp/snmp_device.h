#pragma once
// A device as the SNMP layer sees it: the two working sessions (reads go to the get session,
// writes to the set session), the device root every object lives under, and what
// identification learnt (model and sysName). Every reader and writer below the open device
// takes this much of it and no more.

#include "base/presenter.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/types.h>
#include <string>
#include <vector>

namespace vornex {

struct device_model {
    int model_id; // the MIB id, sub-identifier 8 of the device root; 0 ends the table
    const char* name;
    int card_slots;
    std::array<const char*, 10> slot_names; // by slot number 0..9
};

// Supported models, searched in order until a row with model id 0.
extern const device_model device_models[];

inline constexpr int vivi_enterprise_id = 823;
inline constexpr std::size_t max_root_subids = 128;
inline constexpr std::size_t sys_name_size = 22; // 21 characters and the terminator

struct SnmpDevice {
    explicit SnmpDevice(Presenter& presenter) : presenter(&presenter) {}
    ~SnmpDevice(); // closes the sessions
    SnmpDevice(const SnmpDevice&) = delete;
    SnmpDevice& operator=(const SnmpDevice&) = delete;

    netsnmp_session* get_session = nullptr;
    netsnmp_session* set_session = nullptr;
    std::array<oid, max_root_subids> root{};
    unsigned root_len = 0;
    std::string sys_name; // at most sys_name_size - 1 characters
    const device_model* model = nullptr;

    // Where every message about this device is shown.
    Presenter* presenter;

    // A device object: the device root followed by `suffix`.
    std::vector<oid> object(std::initializer_list<oid> suffix) const;
    // The host as the get session knows it; every message names the device by it.
    std::string host() const;
};

} // namespace vornex
