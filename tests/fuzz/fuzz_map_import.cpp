// The map import's line handling, both layouts, on any file: a dry run against the demo
// device on the simulator, opened once with every cross-connect read, so that an input
// sends no request at all and runs the same way every time.
#include "device/box.h"
#include "device/model_steps.h"
#include "fuzz_support.h"
#include "sim_process.h"
#include "test_device.h"
#include "xc/map_export.h"
#include "xc/map_import.h"

#include <cstdio>
#include <cstdlib>

namespace {

using namespace vornex;

struct Device {
    std::unique_ptr<test::SimProcess> sim;
    fuzz::QuietPresenter presenter;
    std::unique_ptr<Box> box;
};
std::unique_ptr<Device> device;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    device = std::make_unique<Device>();
    device->sim = test::SimProcess::start("demo");
    if (device->sim != nullptr)
        device->box = test::open_test_box(device->presenter, *device->sim);
    bool ready = device->box != nullptr;
    if (ready) {
        NoProgress progress;
        device->box->displayed_map = 1;
        ready = ModelSteps(*device->box).run() == ModelSteps::Outcome::done &&
                map_read_all(device->presenter, {}, device->box.get(), progress) == 0;
    }
    if (!ready) {
        std::fprintf(stderr, "fuzz_map_import: the demo device could not be opened\n");
        std::exit(1);
    }
    std::atexit([] { device.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ImportOptions options;
    options.suppress_warnings = (size % 2) == 0; // both ways of handling a row's warning
    options.dry_run = [](const std::string&) {};
    NoProgress progress;
    map_import(*device->box, fuzz::write_input("map.csv", fuzz::as_text(data, size)), options,
               progress);
    return 0;
}
