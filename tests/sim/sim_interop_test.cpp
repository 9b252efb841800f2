// The simulator with Net-SNMP's own command-line tools, as an operator would try it.

#include "run_command.h"
#include "sim_process.h"

#include <gtest/gtest.h>
#include <sstream>

namespace vornex::test {
namespace {

const std::string R = ".1.3.6.1.4.1.823.4150";

struct ToolRun {
    int exit_code = -1;
    std::string output; // stdout and stderr
};

// `tool` with `options` against the simulator, then `rest`: numeric output, one try of 1 s, no
// MIB files and no user configuration.
ToolRun run(const std::string& tool, const std::string& options, const SimProcess& sim,
            const std::string& rest) {
    ToolRun r;
    r.output = run_command("MIBS= SNMPCONFPATH=/nonexistent " + tool + " " + options +
                               " -On -t 1 -r 0 " + sim.peer() + " " + rest + " 2>&1",
                           &r.exit_code);
    return r;
}

TEST(Interop, V1CommunitiesAndNoSuchName) {
    auto sim = SimProcess::start("small");
    ASSERT_TRUE(sim);
    ToolRun r = run("snmpget", "-v1 -c public", *sim, ".1.3.6.1.2.1.1.2.0 " + R + ".1.1.1.5.1");
    EXPECT_EQ(r.exit_code, 0) << r.output;
    EXPECT_NE(r.output.find(".1.3.6.1.2.1.1.2.0 = OID: " + R), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(R + ".1.1.1.5.1 = INTEGER: 4"), std::string::npos) << r.output;

    r = run("snmpset", "-v1 -c private", *sim, R + ".3.1.3.1.3.1.2 s 'NEW LINK'");
    EXPECT_EQ(r.exit_code, 0) << r.output;
    EXPECT_EQ(sim->value("R.3.1.3.1.3.1.2"), "s:NEW LINK");

    r = run("snmpget", "-v1 -c wrong", *sim, ".1.3.6.1.2.1.1.5.0");
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.output.find("Timeout"), std::string::npos) << r.output;

    // Past the end is the walk's "End of MIB" below.
    r = run("snmpget", "-v1 -c public", *sim, R + ".2.1.1.4.1.1.1");
    EXPECT_NE(r.output.find("noSuchName"), std::string::npos) << r.output;
}

TEST(Interop, V3EachSecurityLevelAndAWrongKey) {
    auto sim = SimProcess::start("v3");
    ASSERT_TRUE(sim);
    for (const std::string security :
         {"-u shaaes -l authPriv -a SHA -A sha-auth-pass -x AES -X aes-priv-pass",
          "-u md5des -l authPriv -a MD5 -A md5-auth-pass -x DES -X des-priv-pass",
          "-u sha -l authNoPriv -a SHA -A sha-auth-pass", "-u noauth -l noAuthNoPriv"}) {
        const ToolRun get = run("snmpget", "-v3 " + security, *sim, ".1.3.6.1.2.1.1.5.0");
        EXPECT_EQ(get.exit_code, 0) << security << "\n" << get.output;
        EXPECT_NE(get.output.find("STRING: \"r4150-v3\""), std::string::npos) << get.output;
        const ToolRun set = run("snmpset", "-v3 " + security, *sim, R + ".3.1.1.1.8.1.2 i 2");
        EXPECT_EQ(set.exit_code, 0) << security << "\n" << set.output;
        EXPECT_EQ(sim->value("R.3.1.1.1.8.1.2"), "i:2");
        ASSERT_TRUE(sim->set_value("R.3.1.1.1.8.1.2", "i:1"));
    }
    // A wrong key is refused; a user with read access only is refused a write, which then
    // changes nothing.
    const std::string keys = " -l authPriv -a SHA -x AES -X aes-priv-pass -A ";
    const ToolRun wrong =
        run("snmpget", "-v3 -u shaaes" + keys + "wrong-pass-phrase", *sim, ".1.3.6.1.2.1.1.5.0");
    EXPECT_NE(wrong.exit_code, 0);
    EXPECT_NE(wrong.output.find("Authentication failure"), std::string::npos) << wrong.output;
    const ToolRun reader =
        run("snmpset", "-v3 -u reader" + keys + "sha-auth-pass", *sim, R + ".3.1.1.1.8.1.2 i 2");
    EXPECT_NE(reader.exit_code, 0) << reader.output;
    EXPECT_EQ(sim->value("R.3.1.1.1.8.1.2"), "i:1");
}

TEST(Interop, WalkOfTheDemoDeviceIsStrictlyIncreasingAndEndsCleanly) {
    auto sim = SimProcess::start("demo");
    ASSERT_TRUE(sim);
    const ToolRun r = run("snmpwalk", "-v1 -c public", *sim, R);
    ASSERT_EQ(r.exit_code, 0) << r.output.substr(0, 2000);
    std::istringstream lines(r.output);
    std::string line;
    std::vector<unsigned> previous;
    std::size_t count = 0;
    bool ended = false;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(ended) << "after the end: " << line;
        // The device subtree is the last one, so the walk ends at the end of the MIB view.
        if (line == "End of MIB") {
            ended = true;
            continue;
        }
        ASSERT_EQ(line.rfind(R + ".", 0), 0u) << "outside the device subtree: " << line;
        std::vector<unsigned> oid;
        std::istringstream parts(line.substr(1, line.find(' ') - 1));
        for (std::string sub; std::getline(parts, sub, '.');)
            oid.push_back(static_cast<unsigned>(std::stoul(sub)));
        ASSERT_LT(previous, oid) << line;
        previous = oid;
        ++count;
    }
    EXPECT_TRUE(ended);
    EXPECT_GT(count, 3000u) << "every family's objects";
}

} // namespace
} // namespace vornex::test
