// The reset sequences against vornex-sim on a fake clock: the simulator's clock moves by
// the same delays the sequence answers, so every step meets the device state it would meet
// on the real device, and each step's texts are checked as the dialog shows them.
#include "maint/card_reset.h"
#include "maint/system_reset.h"
#include "model/card.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "test_device.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

namespace vornex {
namespace {

using test::Routine;
using test::SimProcess;

// A step as the operator saw it: the delay before it in ms, then the step and detail texts.
using Seen = std::tuple<long, std::string, std::string>;

const std::string in_progress =
    "\r\nReset is in progress.\r\nWaiting for SNMP communication to resume...";
const std::string waiting = "waiting...this may take several minutes";
const std::string responding =
    "\r\nWorking XCU is responding.\r\nWaiting for XCU synchronization...";
const std::string standby_progress =
    "\r\nStandby XCU reset is in progress.\r\nWaiting to detect Standby XCU...";
const std::string detected =
    "\r\nStandby XCU detected.\r\nWaiting for Standby XCU to report FW version...";
const std::string match = "\r\nFirmware version match.\r\nWaiting for XCU synchronization...";
const std::string complete =
    "\r\nReset complete.\r\n\r\nAnother reset may be performed\r\nor press cancel to exit.";

class ResetTest : public testing::Test {
protected:
    void open(const char* scenario, bool v3 = false) {
        sim = SimProcess::start(scenario);
        ASSERT_TRUE(sim);
        const device_config config =
            v3 ? test::sim_v3_config(*sim, "shaaes", auth_sha, priv_aes) : test::sim_config(*sim);
        box = AM_New_Box(presenter, {}, config, test::quick_timings);
        ASSERT_TRUE(box);
        ASSERT_EQ(get_controllers(*box), 0);
        ASSERT_EQ(read_cards(*box), 0);
        ASSERT_TRUE(sim->command("advance 0", error)) << error;
        sim->clear_requests();
    }

    // Runs a started sequence to its end, the simulator's clock kept with the fake one.
    template <typename Sequence>
    std::vector<Seen> run(Sequence& sequence) {
        std::vector<Seen> seen;
        Delay next = Sequence::first_delay;
        for (int i = 0; i < 200; ++i) {
            clock.advance(next);
            EXPECT_TRUE(sim->command("advance " + std::to_string(next.count()), error)) << error;
            const StepResult r = sequence.step();
            // Repeated polls that change nothing are kept once.
            Seen now{static_cast<long>(next.count()), sequence.step_text(), sequence.detail_text()};
            if (seen.empty() || seen.back() != now)
                seen.push_back(now);
            if (r.done)
                break;
            next = r.next;
        }
        return seen;
    }

    std::vector<std::string> writes() { // "dropped SET ..." included
        std::vector<std::string> sets = sim->requests();
        std::erase_if(sets,
                      [](const std::string& r) { return r.find("SET ") == std::string::npos; });
        return sets;
    }

    const Card& card(int slot) {
        const auto c =
            std::ranges::find_if(box->cards, [&](const auto& c) { return c->slot == slot; });
        return c != box->cards.end() ? **c : throw std::runtime_error("no card");
    }

    test::RecordingPresenter presenter;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<Box> box;
    FakeClock clock;
    std::string error;
};

struct SystemPath {
    const char* name;
    const char* scenario;
    SystemResetType type;
    ResetOutcome outcome;
    std::vector<Seen> steps;
};

class SystemResetPaths : public ResetTest, public testing::WithParamInterface<SystemPath> {};

TEST_P(SystemResetPaths, FollowTheDeviceToTheEnd) {
    const SystemPath& path = GetParam();
    open(path.scenario);
    SystemReset reset(*box);
    presenter.answers = {dialog_ok};
    ASSERT_TRUE(reset.start(path.type, {}));
    EXPECT_EQ(presenter.last().text, std::string("Confirm Reset\r\n\r\n\r\n") +
                                         reset_type_text(path.type) +
                                         "\r\n\r\nProceed with reset?\r\n");
    EXPECT_EQ(run(reset), path.steps);
    EXPECT_EQ(reset.outcome(), path.outcome);
    EXPECT_EQ(reset.result(), 1);
    EXPECT_FALSE(reset.busy());
    EXPECT_EQ(writes(), std::vector<std::string>{"SET 1.3.6.1.4.1.823.4150.1.7.3.0=i:" +
                                                 std::to_string(static_cast<int>(path.type))});
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SystemResetPaths,
    testing::Values(
        SystemPath{"StandbyWarm",
                   "reset",
                   SystemResetType::standby_warm,
                   ResetOutcome::complete,
                   {{250, standby_progress, "reset delay..."},
                    {10000, standby_progress, "reset delay..."},
                    {2000, standby_progress, "reset delay..."},
                    {2000, detected, ""},
                    {16000, match, " V2.15.02"},
                    {4000, match, "Sync Status: unSync"},
                    {2000, match, "Sync Status: unSync"},
                    {2000, complete, "Standby XCU warm reset complete.  XCUs synchronized."}}},
        // The standby comes back from the bank that holds new firmware.
        SystemPath{"StandbyColdMismatch",
                   "reset",
                   SystemResetType::standby_cold,
                   ResetOutcome::mismatch,
                   {{250, standby_progress, "reset delay..."},
                    {10000, standby_progress, "reset delay..."},
                    {2000, standby_progress, "reset delay..."},
                    {2000, detected, ""},
                    {16000,
                     "\r\nReset complete\r\n\r\nAnother reset may be performed\r\nor press "
                     "cancel to exit.",
                     "Standby XCU cold reset complete.  Firmware mismatch.\r\nPrimary:  "
                     "V2.15.02 \tRedundant:  V2.16.01"}}},
        SystemPath{
            "WorkingColdSwitches",
            "reset",
            SystemResetType::working_cold,
            ResetOutcome::complete,
            {{250,
              "\r\nWorking XCU cold reset is in progress.\r\nWaiting for switch to "
              "Standby XCU...",
              "reset delay..."},
             {45000, "\r\nStandby XCU is now working XCU.\r\nWaiting to detect Standby XCU...", ""},
             {2000, "\r\nStandby XCU is now working XCU.\r\nWaiting to detect Standby XCU...", ""},
             {2000, detected, ""},
             {16000, match, " V2.15.02"},
             {4000, match, "Sync Status: unSync"},
             {2000, match, "Sync Status: unSync"},
             {2000, complete, "Working XCU cold reset complete.  XCUs synchronized."}}},
        SystemPath{"SystemWarmRetries",
                   "reset",
                   SystemResetType::system_warm,
                   ResetOutcome::complete,
                   {{250, in_progress, waiting},
                    {45000, in_progress, "communication retry 1..."},
                    {500, in_progress, "communication retry 2..."},
                    {15000, in_progress, "communication retry 3..."},
                    {15000, responding, ""},
                    {2000, responding, ""},
                    {2000, detected, ""},
                    {16000, match, " V2.15.02"},
                    {4000, match, "Sync Status: unSync"},
                    {2000, match, "Sync Status: unSync"},
                    {2000, complete, "System warm reset complete.  XCUs synchronized."}}},
        SystemPath{"SingleController",
                   "reset_single",
                   SystemResetType::working_cold,
                   ResetOutcome::complete,
                   {{250, in_progress, waiting},
                    {45000, in_progress, "communication retry 1..."},
                    {500, in_progress, "communication retry 2..."},
                    {15000, in_progress, "communication retry 3..."},
                    {15000, complete, "Working XCU cold reset complete.  XCU responding."}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResetTest, RefusedOrUnansweredWriteIsSentOnceAndAsksNoRescan) {
    open("reset");
    SystemReset reset(*box);
    presenter.answers = {dialog_ok};
    ASSERT_TRUE(reset.start(SystemResetType::system_cold, {}));
    // Both tries of the working XCU read before the write, then the write.
    ASSERT_TRUE(sim->drop_next(3));
    EXPECT_EQ(run(reset), (std::vector<Seen>{{250, "\r\n\r\nSystem failed to respond.", ""}}));
    EXPECT_EQ(reset.outcome(), ResetOutcome::failed);
    EXPECT_EQ(reset.result(), 2);
    EXPECT_EQ(presenter.last().text,
              "!!Communication Error\r\n\r\n\r\nA communication timeout occurred with " +
                  sim->peer() +
                  " while sending reset command.\r\n\r\nVerify network connection.\r\n \r\n");
    EXPECT_EQ(writes(), std::vector<std::string>{"dropped SET 1.3.6.1.4.1.823.4150.1.7.3.0=i:1"});
}

TEST_F(ResetTest, LeavingDuringAResetWarnsAndAsksNoRescan) {
    open("reset");
    SystemReset reset(*box);
    presenter.answers = {dialog_ok};
    ASSERT_TRUE(reset.start(SystemResetType::system_warm, {}));
    ASSERT_FALSE(reset.step().done);
    EXPECT_EQ(reset.result(), 1);
    presenter.answers = {dialog_cancel};
    EXPECT_FALSE(reset.leave({}));
    EXPECT_EQ(presenter.last().text,
              "Warning\r\nSystem warm reset is in progress.\r\nLong delays during the reset "
              "process are normal.  Closing the reset\r\ndialog will not stop this process.  "
              "Communication with the system\r\nwill be unreliable until the reset is "
              "complete.  If you choose\r\nto exit the dialog, please do not perform any "
              "mapping operations.\r\nUse the CLI to verify the operating state of the "
              "controllers.\r\n\r\nExit the reset dialog?\r\n");
    presenter.answers = {dialog_ok};
    EXPECT_TRUE(reset.leave({}));
    EXPECT_EQ(reset.result(), 2);
    EXPECT_EQ(reset.outcome(), ResetOutcome::left);
}

// The controller comes back with the boot count it had and its engine time from zero: the
// library's own resynchronisation does not cover that, the engine-time reset does.
TEST_F(ResetTest, SingleControllerOverSnmpV3AnswersAfterARebootThatKeepsItsBoots) {
    open("reset_single", true);
    SystemReset reset(*box);
    EXPECT_EQ(reset.detail_text(), "XCU Sync Status: no standby controller detected.");
    EXPECT_FALSE(reset.type_enabled(SystemResetType::standby_cold));
    EXPECT_TRUE(reset.type_enabled(SystemResetType::system_cold));
    presenter.answers = {dialog_ok};
    ASSERT_TRUE(reset.start(SystemResetType::system_warm, {}));
    run(reset);
    EXPECT_EQ(reset.outcome(), ResetOutcome::complete);
    EXPECT_EQ(working_xcu(*box), 1);
}

TEST_F(ResetTest, ProtectedPairAfterFirmware) {
    open("reset");
    const Card& e1 = card(4);
    const CardResetOffer offer = card_firmware_reset_offer(e1);
    ASSERT_TRUE(offer.protected_pair);
    CardReset reset(*box, e1, offer.prompt, offer.protected_pair);

    struct Press {
        bool cold;
        CardResetTarget choice;
        const char* confirmed;
        const char* written;
    };
    // Both keeps the chosen card as its target; a later Working reset is no pair reset.
    for (const Press& p :
         {Press{false, CardResetTarget::standby, "Trib3: E1-PRTD - warm", "3=i:1"},
          Press{true, CardResetTarget::both, "Trib4: E1-PRTD - cold", "4=i:4"},
          Press{false, CardResetTarget::working, "Trib4: E1-PRTD - warm", "4=i:1"}}) {
        sim->clear_requests();
        presenter.answers = {dialog_ok};
        ASSERT_TRUE(reset.start(p.cold, p.choice, {}));
        EXPECT_EQ(presenter.last().text, std::string("Confirm Card Reset\r\n\r\n\r\n") +
                                             p.confirmed + " reset\r\n\r\nProceed with reset?\r\n");
        EXPECT_EQ(reset.step_text(), p.choice == CardResetTarget::both
                                         ? "\r\n\r\n\r\n\tResetting both cards in protected pair..."
                                         : "\r\n\r\n\r\n\tResetting card...");
        const std::vector<Seen> seen = run(reset);
        EXPECT_EQ(std::get<1>(seen.back()),
                  "\r\n\r\n\tReset complete.\r\n\r\n\tAnother reset may be "
                  "performed or press cancel to exit.");
        EXPECT_EQ(std::get<2>(seen[1]), p.cold ? "\tcard state: unplugged" : "\tcard state: empty");
        EXPECT_EQ(reset.outcome(), ResetOutcome::complete);
        EXPECT_TRUE(reset.controls_enabled());
        EXPECT_FALSE(reset.closes());
        EXPECT_EQ(writes(), std::vector<std::string>{
                                std::string("SET 1.3.6.1.4.1.823.4150.3.7.1.2.") + p.written});
    }
}

TEST_F(ResetTest, BothOnlyFromControllerFirmware_2_15_02) {
    open("reset");
    box->fw_ge_2_15_02 = false; // as read from " V2.15.01"
    CardReset reset(*box, card(5), "", true);
    EXPECT_EQ(reset.standby_label(), "Standby (Trib6)");
    EXPECT_TRUE(reset.standby_enabled());
    EXPECT_FALSE(reset.both_shown());
    EXPECT_FALSE(reset.start(true, CardResetTarget::both, {}));
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ResetTest, CardThatStaysWorkingClosesTheDialog) {
    open("reset");
    CardReset reset(*box, card(1), reset_card_prompt(*box, card(1)), false);
    ASSERT_TRUE(sim->set_value("R.1.1.1.9.1", "i:1"));
    presenter.answers = {dialog_ok};
    ASSERT_TRUE(reset.start(false, CardResetTarget::working, {}));
    run(reset);
    EXPECT_TRUE(reset.closes());
    EXPECT_EQ(reset.outcome(), ResetOutcome::complete);
}

TEST_F(ResetTest, ThirdUnansweredStateReadTimesOut) {
    open("reset");
    CardReset reset(*box, card(1), "", false);
    presenter.answers = {dialog_ok};
    ASSERT_TRUE(reset.start(true, CardResetTarget::working, {}));
    ASSERT_FALSE(reset.step().done); // the reset is sent
    // Two tries per read on the test's sessions: three reads go unanswered.
    ASSERT_TRUE(sim->drop_next(6));
    int reads = 0;
    while (!reset.step().done)
        ++reads;
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(reset.step_text(), "\tTimeout waiting for card to return to working state.\r\n\r\n"
                                 "\tPlease cancel and use the CLI to verify the card state.");
    EXPECT_EQ(reset.outcome(), ResetOutcome::timed_out);
    EXPECT_FALSE(reset.controls_enabled());
}

} // namespace
} // namespace vornex
