// Each fault of the control channel, as a manager meets it, and the control channel's own
// reads, writes and request log.

#include "sim_process.h"
#include "snmp_client.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace vornex::test {
namespace {

const std::string R = "1.3.6.1.4.1.823.4150";
const std::string frame = R + ".3.1.1.1.5.1.1"; // E1 frame of slot 1 port 1 (INTEGER 2)

class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        sim = SimProcess::start("small");
        ASSERT_TRUE(sim);
    }
    std::unique_ptr<SimProcess> sim;
};

TEST_F(Faults, DropNextLosesExactlyThatManyRequestsAndLogsThem) {
    Manager m(sim->peer(), "public", 300);
    ASSERT_TRUE(sim->drop_next(2));
    EXPECT_EQ(m.get({frame}).status, STAT_TIMEOUT);
    EXPECT_EQ(m.get({frame}).status, STAT_TIMEOUT);
    EXPECT_EQ(m.get({frame}).status, STAT_SUCCESS);
    EXPECT_EQ(sim->requests(), (std::vector<std::string>{"dropped GET " + frame,
                                                         "dropped GET " + frame, "GET " + frame}));
}

TEST_F(Faults, FailPrefixAnswersTheStatusForGetGetNextAndSet) {
    Manager m(sim->peer(), "private");
    ASSERT_TRUE(sim->fail_prefix("R.3.1.1.1.5", SNMP_ERR_GENERR));
    const Answer get = m.get({R + ".1.1.1.4.1", frame});
    EXPECT_EQ(get.error_status, SNMP_ERR_GENERR);
    EXPECT_EQ(get.error_index, 2);
    EXPECT_EQ(m.get_next({R + ".3.1.1.1.4.1.4"}).error_status, SNMP_ERR_GENERR);
    const Answer set = m.set({{frame, "i:1"}});
    EXPECT_EQ(set.error_status, SNMP_ERR_GENERR);
    EXPECT_EQ(sim->value(frame), "i:2");
    EXPECT_EQ(m.get({R + ".3.1.1.1.6.1.1"}).error_status, 0) << "other columns answer";
    // A v1 manager sees the v2 statuses as Net-SNMP maps them.
    ASSERT_TRUE(sim->clear_faults());
    ASSERT_TRUE(sim->fail_prefix(frame, SNMP_ERR_NOTWRITABLE));
    EXPECT_EQ(m.set({{frame, "i:1"}}).error_status, SNMP_ERR_NOSUCHNAME);
    ASSERT_TRUE(sim->clear_faults());
    EXPECT_EQ(m.set({{frame, "i:1"}}).error_status, 0);
}

TEST_F(Faults, WrongTypeAnswersTheOtherType) {
    Manager m(sim->peer(), "public");
    ASSERT_TRUE(sim->wrong_type(frame));
    ASSERT_TRUE(sim->wrong_type("R.3.1.3.1.3.1.1"));
    const Answer a = m.get({frame, R + ".3.1.3.1.3.1.1", R + ".3.1.1.1.6.1.1"});
    ASSERT_EQ(a.objects.size(), 3u);
    EXPECT_EQ(a.objects[0].second, "s:2");
    EXPECT_EQ(a.objects[1].second, "i:0");
    EXPECT_EQ(a.objects[2].second, "i:1");
    EXPECT_EQ(sim->value(frame), "i:2") << "the stored value is unchanged";
}

TEST_F(Faults, OmitLeavesTheObjectOutOfMultiObjectAnswersOnly) {
    Manager m(sim->peer(), "public");
    ASSERT_TRUE(sim->omit(frame));
    const Answer many = m.get({R + ".3.1.1.1.3.1.1", frame, R + ".3.1.1.1.6.1.1"});
    ASSERT_EQ(many.status, STAT_SUCCESS);
    ASSERT_EQ(many.objects.size(), 2u);
    EXPECT_EQ(many.objects[0].first, R + ".3.1.1.1.3.1.1");
    EXPECT_EQ(many.objects[1].first, R + ".3.1.1.1.6.1.1");
    const Answer one = m.get({frame});
    ASSERT_EQ(one.objects.size(), 1u);
    EXPECT_EQ(one.objects[0].second, "i:2");
}

TEST_F(Faults, DelayHoldsEveryAnswer) {
    ASSERT_TRUE(sim->delay_ms(800));
    Manager impatient(sim->peer(), "public", 300);
    EXPECT_EQ(impatient.get({frame}).status, STAT_TIMEOUT);
    Manager patient(sim->peer(), "public", 3000);
    EXPECT_EQ(patient.get({frame}).status, STAT_SUCCESS);
    ASSERT_TRUE(sim->delay_ms(0));
    EXPECT_EQ(impatient.get({frame}).status, STAT_SUCCESS);
}

TEST_F(Faults, RebootStopsAnsweringThenComesBackWithAnotherEngineBoot) {
    Manager v3(sim->peer(), V3Login{"shaaes", "SHA", "sha-auth-pass", "AES", "aes-priv-pass"}, 300);
    ASSERT_EQ(v3.get({frame}).status, STAT_SUCCESS);
    ASSERT_TRUE(sim->reboot(1));
    Manager v1(sim->peer(), "public", 300);
    EXPECT_EQ(v1.get({frame}).status, STAT_TIMEOUT);
    EXPECT_EQ(sim->requests().back(), "dropped (rebooting)");
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
    EXPECT_EQ(v1.get({frame}).status, STAT_SUCCESS);
    // The v3 manager's cached engine boots are now stale; the library resynchronises.
    EXPECT_EQ(v3.get({frame}).status, STAT_SUCCESS);
    // The simulator's default engine ID: enterprise 823, text format, "r4150-sim".
    const u_char id[] = {0x80, 0x00, 0x03, 0x37, 0x04, 'r', '4', '1', '5', '0', '-', 's', 'i', 'm'};
    u_int boots = 0, time = 0;
    ASSERT_EQ(get_enginetime(id, sizeof id, &boots, &time, TRUE), SNMPERR_SUCCESS);
    EXPECT_EQ(boots, 2u);
}

TEST_F(Faults, ControlChannelReadsWritesAndLogs) {
    Manager m(sim->peer(), "private");
    EXPECT_EQ(sim->value("R.1.1.1.4.1"), "i:2");
    EXPECT_EQ(sim->value("R.9.9"), std::nullopt);
    ASSERT_TRUE(sim->set_value("1.3.6.1.2.1.1.5.0", "s:a name longer than twenty-one"));
    EXPECT_EQ(m.get({"1.3.6.1.2.1.1.5.0"}).objects.at(0).second, "s:a name longer than twenty-one");
    ASSERT_TRUE(sim->clear_requests());
    m.get_next({R});
    m.set({{frame, "i:1"}, {R + ".3.1.3.1.3.1.2", "s:B SIDE"}});
    EXPECT_EQ(sim->requests(),
              (std::vector<std::string>{"GETNEXT " + R,
                                        "SET " + frame + "=i:1," + R + ".3.1.3.1.3.1.2=s:B SIDE"}));
    std::string error;
    EXPECT_FALSE(sim->command("set R.1.1.1.4.1 s:text", error)) << "type must match";
    EXPECT_FALSE(sim->command("fail R.1 0", error));
    EXPECT_FALSE(sim->command("explode", error));
    EXPECT_NE(error.find("unknown"), std::string::npos);
}

} // namespace
} // namespace vornex::test
