#include "test_device.h"

#include "config/device_config.h"
#include "sim_process.h"

namespace vornex::test {

std::unique_ptr<Box> open_test_box(Presenter& presenter, const SimProcess& sim) {
    device_config config;
    device_config_set_defaults(config);
    config.hostname = sim.peer();
    config.get_community = "public";
    config.set_community = "private";
    return AM_New_Box(presenter, {}, config, quick_timings);
}

} // namespace vornex::test
