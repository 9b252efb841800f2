#include "comments/comment_file.h"
#include "device/opening.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "test_device.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

struct NoBrowse : CommentFileChooser {
    int comment_file_browse(OwnerWindow, device_config&) override { return 1; }
};

struct Recorder : ChangeListener {
    std::vector<unsigned> told;
    void changed(unsigned flags) override { told.push_back(flags); }
};

class Opening : public ::testing::Test {
protected:
    void SetUp() override {
        sim = test::SimProcess::start("demo");
        ASSERT_NE(sim, nullptr);
        config = test::sim_config(*sim);
        services.opened = [this](Box& box) {
            events.push_back("opened");
            box.changes.listen(recorder);
        };
        services.choose_displayed_map = [this](Box& box) {
            events.push_back("map " + std::to_string(box.displayed_map));
            box.displayed_map = 2;
        };
    }

    std::unique_ptr<test::SimProcess> sim;
    test::RecordingPresenter presenter;
    NoBrowse chooser;
    device_config config;
    OpeningServices services{presenter, chooser, test::quick_timings, {}, {}};
    std::vector<std::string> events;
    Recorder recorder;
    std::unique_ptr<Box> box;
};

TEST_F(Opening, RunsOneCardPerStepAndAnnouncesTheCardTableAndTheNewTreeOnce) {
    DeviceOpening opening = DeviceOpening::open(box, config, services);
    int steps = 1;
    while (opening.step() == DeviceOpening::Outcome::more) {
        ++steps;
    }
    ASSERT_NE(box, nullptr);
    // Sessions, map question, card table, one step per card, comment file.
    EXPECT_EQ(steps, 3 + static_cast<int>(box->cards.size()) + 1);
    EXPECT_EQ(events, (std::vector<std::string>{"opened", "map 1"}));
    EXPECT_EQ(box->displayed_map, 2);
    EXPECT_EQ(recorder.told, (std::vector<unsigned>{change_card_table, change_tree_rebuilt}));

    // A reload keeps the device and its listeners and asks no map.
    recorder.told.clear();
    Box* const same = box.get();
    EXPECT_EQ(DeviceOpening::reload(box, config, services).run(), DeviceOpening::Outcome::done);
    EXPECT_EQ(box.get(), same);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(recorder.told, (std::vector<unsigned>{change_card_table, change_tree_rebuilt}));
}

TEST_F(Opening, StopsWhereAReadFailsAndKeepsWhatWasBuilt) {
    ASSERT_TRUE(sim->fail_prefix("R.1.1.1", 5));
    EXPECT_EQ(DeviceOpening::open(box, config, services).run(), DeviceOpening::Outcome::failed);
    ASSERT_NE(box, nullptr); // identified, shown as far as it was built
    EXPECT_TRUE(box->cards.empty());
    EXPECT_TRUE(recorder.told.empty());

    ASSERT_TRUE(sim->drop_next(100));
    EXPECT_EQ(DeviceOpening::open(box, config, services).run(), DeviceOpening::Outcome::failed);
    EXPECT_EQ(box, nullptr); // the old device was closed first; no new one
}

} // namespace
} // namespace vornex
