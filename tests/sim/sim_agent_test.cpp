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

TEST_F(SmallDevice, MissingObjectsAnswerNoSuchNameAtTheirIndex) {
    Manager m(sim->peer(), "public");
    const Answer get = m.get({R + ".1.1.1.4.1", R + ".3.1.1.1.5.1.9"}); // port 9 of 4
    ASSERT_EQ(get.status, STAT_SUCCESS);
    EXPECT_EQ(get.error_status, SNMP_ERR_NOSUCHNAME);
    EXPECT_EQ(get.error_index, 2);
    const Answer past_end = m.get_next({R + ".9"});
    ASSERT_EQ(past_end.status, STAT_SUCCESS);
    EXPECT_EQ(past_end.error_status, SNMP_ERR_NOSUCHNAME);
    const Answer first = m.get_next({R});
    ASSERT_EQ(first.objects.size(), 1u);
    EXPECT_EQ(first.objects[0].first, R + ".1.1.1.2.1") << "the subtree starts with the card table";
}

TEST_F(SmallDevice, RefusedSetChangesNothing) {
    Manager m(sim->peer(), "private");
    struct Case {
        std::string second_oid, second_value;
        long status;
    };
    for (const Case& c :
         {Case{R + ".3.1.1.1.4.1.1", "i:2", SNMP_ERR_READONLY},  // impedance
          Case{R + ".3.1.1.1.6.1.1", "s:2", SNMP_ERR_BADVALUE},  // wrong type
          Case{R + ".3.1.1.1.11.1.1", "i:7", SNMP_ERR_BADVALUE}, // SSM 1..6
          Case{R + ".3.1.3.1.3.1.1", "s:" + std::string(64, 'x'), SNMP_ERR_BADVALUE},
          Case{R + ".3.1.1.1.5.1.9", "i:1", SNMP_ERR_NOSUCHNAME}}) {
        const Answer a = m.set({{R + ".3.1.1.1.5.1.1", "i:1"}, {c.second_oid, c.second_value}});
        ASSERT_EQ(a.status, STAT_SUCCESS);
        EXPECT_EQ(a.error_status, c.status) << c.second_oid;
        EXPECT_EQ(a.error_index, 2) << c.second_oid;
        EXPECT_EQ(sim->value("R.3.1.1.1.5.1.1"), "i:2") << "first object unchanged";
    }
    EXPECT_EQ(sim->value("R.3.1.3.1.3.1.1"), "s:LINK-A");
}

TEST_F(SmallDevice, ReadCommunityCannotWriteAndUnknownCommunityGetsNoAnswer) {
    Manager reader(sim->peer(), "public");
    const Answer a = reader.set({{R + ".3.1.1.1.5.1.1", "i:1"}});
    ASSERT_EQ(a.status, STAT_SUCCESS);
    EXPECT_EQ(a.error_status, SNMP_ERR_NOSUCHNAME) << "outside the read community's write view";
    EXPECT_EQ(sim->value("R.3.1.1.1.5.1.1"), "i:2");
    Manager stranger(sim->peer(), "guess", 300);
    EXPECT_EQ(stranger.get({"1.3.6.1.2.1.1.5.0"}).status, STAT_TIMEOUT);
}

TEST(TenSubIdentifierRoot, IsReportedAndServed) {
    const std::string path = std::string(VORNEX_TEST_SCENARIO_DIR) + "/root10.json";
    auto sim = SimProcess::start(path);
    ASSERT_TRUE(sim);
    Manager m(sim->peer(), "public");
    const Answer a = m.get({"1.3.6.1.2.1.1.2.0", "1.3.6.1.4.1.823.4150.2.1.1.1.1.4.1"});
    ASSERT_EQ(a.objects.size(), 2u);
    EXPECT_EQ(a.objects[0].second, "o:1.3.6.1.4.1.823.4150.2.1");
    EXPECT_EQ(a.objects[1].second, "i:4");
    EXPECT_EQ(a.error_status, 0);
}

TEST(SnmpV3, EveryLevelAndProtocolPairReadsAndWrites) {
    auto sim = SimProcess::start("v3");
    ASSERT_TRUE(sim);
    const std::vector<V3Login> logins = {
        {"noauth", "none", "", "none", ""},
        {"md5", "MD5", "md5-auth-pass", "none", ""},
        {"sha", "SHA", "sha-auth-pass", "none", ""},
        {"md5des", "MD5", "md5-auth-pass", "DES", "des-priv-pass"},
        {"md5aes", "MD5", "md5-auth-pass", "AES", "aes-priv-pass"},
        {"shades", "SHA", "sha-auth-pass", "DES", "des-priv-pass"},
        {"shaaes", "SHA", "sha-auth-pass", "AES", "aes-priv-pass"},
    };
    long coding = 1;
    for (const auto& login : logins) {
        Manager m(sim->peer(), login);
        const Answer get = m.get({"1.3.6.1.2.1.1.5.0"});
        ASSERT_EQ(get.status, STAT_SUCCESS) << login.user;
        EXPECT_EQ(get.objects.at(0).second, "s:r4150-v3") << login.user;
        coding = 3 - coding;
        const Answer set = m.set({{R + ".3.1.1.1.3.1.1", "i:" + std::to_string(coding)}});
        EXPECT_EQ(set.error_status, 0) << login.user;
        EXPECT_EQ(sim->value("R.3.1.1.1.3.1.1"), "i:" + std::to_string(coding)) << login.user;
    }
}

// A wrong key is tested with snmpget in sim_interop_test: within one process the Net-SNMP
// client keeps the keys of a user it has already used with the same engine.
TEST(SnmpV3, ReadOnlyUserCannotWrite) {
    auto sim = SimProcess::start("v3");
    ASSERT_TRUE(sim);
    Manager reader(sim->peer(), V3Login{"reader", "SHA", "sha-auth-pass", "AES", "aes-priv-pass"});
    const Answer set = reader.set({{R + ".3.1.1.1.3.1.1", "i:2"}});
    ASSERT_EQ(set.status, STAT_SUCCESS);
    EXPECT_NE(set.error_status, 0);
    EXPECT_EQ(sim->value("R.3.1.1.1.3.1.1"), "i:1");
}

} // namespace
} // namespace vornex::test
