// The agent as a manager sees it: identification, GET/GETNEXT/SET in SNMPv1 and the error
// statuses the program relies on.

#include "sim_process.h"
#include "snmp_client.h"

#include <gtest/gtest.h>

namespace vornex::test {
namespace {

const std::string R = "1.3.6.1.4.1.823.4150";

class SmallDevice : public ::testing::Test {
protected:
    void SetUp() override {
        sim = SimProcess::start("small");
        ASSERT_TRUE(sim);
    }
    std::unique_ptr<SimProcess> sim;
};

TEST_F(SmallDevice, IdentifiesAsTheDeviceRootWithItsName) {
    Manager m(sim->peer(), "public");
    const Answer a = m.get({"1.3.6.1.2.1.1.2.0", "1.3.6.1.2.1.1.5.0"});
    ASSERT_EQ(a.status, STAT_SUCCESS);
    EXPECT_EQ(a.error_status, 0);
    ASSERT_EQ(a.objects.size(), 2u);
    EXPECT_EQ(a.objects[0].second, "o:" + R);
    EXPECT_EQ(a.objects[1].second, "s:r4150-small");
}

TEST_F(SmallDevice, MultiObjectGetAnswersInRequestOrderWithTypes) {
    Manager m(sim->peer(), "public");
    const Answer a = m.get({R + ".1.2.1.3.0", R + ".1.1.1.4.2", R + ".1.1.1.4.1"});
    ASSERT_EQ(a.status, STAT_SUCCESS);
    ASSERT_EQ(a.objects.size(), 3u);
    EXPECT_EQ(a.objects[0], std::make_pair(R + ".1.2.1.3.0", std::string("s: V2.15.02")));
    EXPECT_EQ(a.objects[1], std::make_pair(R + ".1.1.1.4.2", std::string("i:1")));
    EXPECT_EQ(a.objects[2], std::make_pair(R + ".1.1.1.4.1", std::string("i:2")));
}

TEST_F(SmallDevice, WriteCommunityWritesAndTheStoreKeepsIt) {
    Manager m(sim->peer(), "private");
    const Answer a = m.set({{R + ".3.1.1.1.5.1.2", "i:1"}});
    ASSERT_EQ(a.status, STAT_SUCCESS);
    EXPECT_EQ(a.error_status, 0);
    EXPECT_EQ(sim->value("R.3.1.1.1.5.1.2"), "i:1");
    EXPECT_EQ(sim->requests().back(), "SET " + R + ".3.1.1.1.5.1.2=i:1");
}

} // namespace
} // namespace vornex::test
