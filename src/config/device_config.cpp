#include "config/device_config.h"

namespace vornex {

void device_config_set_defaults(device_config& config) {
    config = device_config{};
    config.file_name = "newdevice.lcf";
    config.hostname = "192.168.0.1";
    config.get_community = "public";
    config.set_community = "public";
}

} // namespace vornex
