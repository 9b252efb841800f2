// The faults of the control channel that no test of the program meets, seen through the
// program's own SNMP layer, and the control channel's refusals. Dropped requests and
// error-statuses are checked by the failure paths they drive (tests/device, tests/maint).

#include "map_fixture.h"
#include "snmp/snmp_access.h"

#include <chrono>
#include <gtest/gtest.h>
#include <net-snmp/net-snmp-includes.h>
#include <thread>

namespace vornex::test {
namespace {

const std::string frame = "1.3.6.1.4.1.823.4150.3.1.1.1.5.1.1"; // E1 frame, INTEGER 2

class Faults : public MapFixture {
protected:
    void SetUp() override {
        start("small");
        ASSERT_TRUE(sim->clear_requests());
    }
    snmp_result read_frame(const Box& on) {
        std::int32_t value = 0;
        return get_device_integer(on, {3, 1, 1, 1, 5, 1, 1}, value);
    }
};

TEST_F(Faults, WrongTypeAnswersTheOtherTypeAndOmitSparesASingleObject) {
    // An INTEGER is answered as the OCTET STRING of its digits, an OCTET STRING as INTEGER 0;
    // the stored values stay.
    ASSERT_TRUE(sim->wrong_type(frame));
    ASSERT_TRUE(sim->wrong_type("R.3.1.3.1.3.1.1"));
    char text[8] = {};
    std::size_t length = sizeof text;
    const std::vector<oid> name = box->object({3, 1, 1, 1, 5, 1, 1});
    EXPECT_EQ(my_snmp_get(presenter, box->get_session, name.data(), name.size(), asn_octet_string,
                          text, length),
              snmp_ok);
    EXPECT_STREQ(text, "2");
    std::int32_t number = -1;
    EXPECT_EQ(get_device_integer(*box, {3, 1, 3, 1, 3, 1, 1}, number), snmp_ok);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(sim->value(frame), "i:2");

    // Left out of answers of several objects only: asked alone, it is answered.
    ASSERT_TRUE(sim->clear_faults());
    ASSERT_TRUE(sim->omit(frame));
    EXPECT_EQ(get_device_integer(*box, {3, 1, 1, 1, 5, 1, 1}, number), snmp_ok);
    EXPECT_EQ(number, 2);
}

TEST_F(Faults, NotWritableReachesAVersion1ManagerAsNoSuchName) {
    ASSERT_TRUE(sim->fail_prefix(frame, 17));
    const std::vector<oid> name = box->object({3, 1, 1, 1, 5, 1, 1});
    EXPECT_EQ(my_snmp_set_int(presenter, box->set_session, name.data(), name.size(), 1),
              snmp_result_from_error_status(2));
    EXPECT_EQ(sim->value(frame), "i:2");
}

TEST_F(Faults, DelayHoldsEveryAnswer) {
    auto patient = AM_New_Box(presenter, {}, sim_config(*sim),
                              {{0, 3'000'000}, {0, 3'000'000}, {0, 3'000'000}});
    ASSERT_TRUE(patient);
    ASSERT_TRUE(sim->delay_ms(800));
    EXPECT_EQ(read_frame(*box), snmp_stat_timeout); // two tries of 300 ms
    EXPECT_EQ(read_frame(*patient), snmp_ok);
    ASSERT_TRUE(sim->delay_ms(0));
    EXPECT_EQ(read_frame(*box), snmp_ok);
}

TEST_F(Faults, RebootStopsAnsweringThenComesBackWithAnotherEngineBoot) {
    auto v3 =
        AM_New_Box(presenter, {}, sim_v3_config(*sim, "shaaes", auth_sha, priv_aes), quick_timings);
    ASSERT_TRUE(v3);
    ASSERT_EQ(read_frame(*v3), snmp_ok);
    ASSERT_TRUE(sim->reboot(2));
    EXPECT_EQ(read_frame(*box), snmp_stat_timeout);
    EXPECT_EQ(sim->requests().back(), "dropped (rebooting)");
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
    EXPECT_EQ(read_frame(*box), snmp_ok);
    // The v3 session's engine boots are now stale; the library resynchronises.
    EXPECT_EQ(read_frame(*v3), snmp_ok);
    // The simulator's default engine ID: enterprise 823, text format, "r4150-sim".
    const u_char id[] = {0x80, 0x00, 0x03, 0x37, 0x04, 'r', '4', '1', '5', '0', '-', 's', 'i', 'm'};
    u_int boots = 0, time = 0;
    ASSERT_EQ(get_enginetime(id, sizeof id, &boots, &time, TRUE), SNMPERR_SUCCESS);
    EXPECT_EQ(boots, 2u);
    // The engine time starts again at the reboot's end, over 2 s after the simulator's start.
    EXPECT_LT(time, 2u);
}

TEST_F(Faults, ControlChannelRefusesWhatItCannotDo) {
    EXPECT_EQ(sim->value("R.9.9"), std::nullopt);
    std::string error;
    EXPECT_FALSE(sim->command("set R.1.1.1.4.1 s:text", error)) << "type must match";
    EXPECT_FALSE(sim->command("fail R.1 0", error));
    EXPECT_FALSE(sim->command("explode", error));
    EXPECT_NE(error.find("unknown"), std::string::npos);
}

} // namespace
} // namespace vornex::test
