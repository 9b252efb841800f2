#include "cli/cli.h"
#include "run_command.h"
#include "scratch_files.h"
#include "sim_process.h"

#include <gtest/gtest.h>
#include <sstream>

namespace vornex::cli {
namespace {

TEST(StderrPresenter, PrintsTitleAndMessageWithoutDialogPadding) {
    std::ostringstream err;
    StderrPresenter presenter(err, false);
    error_dialog_main(presenter, "!!Read Error\r\n\r\n\r\nError reading file %s\r\n\r\n%s", "a.csv",
                      "No such file or directory");
    EXPECT_EQ(err.str(), "!!Read Error\nError reading file a.csv\n\nNo such file or directory\n");
    err.str("");
    error_dialog_main(presenter, "**Just a title");
    internal_error_box(presenter, "AES PRNG test failed.");
    EXPECT_EQ(err.str(), "**Just a title\nError\nAES PRNG test failed.\n");
}

TEST(Args, OptionsFlagsAndPositionals) {
    std::ostringstream err;
    const auto args = Args::parse({"--root", "/srv", "file", "--yes-really", "--port", "69"},
                                  {"--root", "--port"}, {"--yes-really"}, err);
    ASSERT_TRUE(args);
    EXPECT_EQ(args->value("--root"), "/srv");
    EXPECT_EQ(args->value("--port"), "69");
    EXPECT_FALSE(args->value("--bind"));
    EXPECT_TRUE(args->flag("--yes-really"));
    EXPECT_EQ(args->positional(), std::vector<std::string>{"file"});

    EXPECT_FALSE(Args::parse({"--rot", "/srv"}, {"--root"}, {}, err));
    EXPECT_FALSE(Args::parse({"--root"}, {"--root"}, {}, err));
    EXPECT_EQ(err.str(), "vornex-cli: unknown option --rot\nvornex-cli: --root needs a value\n");
}

using test::holds;
using test::run_cli;

TEST(CliIdentify, OpensTheDeviceLikeTheProgram) {
    auto sim = test::SimProcess::start("v3");
    ASSERT_NE(sim, nullptr);
    const std::string host = " --hostname " + sim->peer();
    const std::string v1 = run_cli("identify --get-community public" + host, exit_ok);
    EXPECT_EQ(v1.substr(0, v1.find("\ncontroller")),
              "host: " + sim->peer() +
                  "\nsysName: r4150-v3\nmodel: R4150\nroot: 1.3.6.1.4.1.823.4150");

    // Secrets from the environment, so that they stay out of the process list.
    EXPECT_EQ(run_cli("env VORNEX_AUTH_KEY=sha-auth-pass VORNEX_PRIV_KEY=aes-priv-pass " +
                          std::string(VORNEX_CLI) +
                          " identify --snmp 3 --security-username shaaes --auth-protocol sha "
                          "--priv-protocol aes" +
                          host,
                      exit_ok),
              v1);

    EXPECT_EQ(run_cli("identify --snmp 2" + host, exit_usage),
              "vornex-cli: --snmp does not take \"2\"\n");

    // A silent SNMPv3 device times out in the engine discovery and shows the probe's time-out
    // message. The refusals of an unknown device and of a wrong community are asserted in
    // OpenDevice.IdentificationRefusals and WrongCredentialsFailAtTheProbe.
    const std::string timeout = "!!Communication Error\nA communication timeout occurred with " +
                                sim->peer() + ".\n\nVerify the network connection";
    ASSERT_TRUE(sim->reboot(60));
    const std::string silent =
        run_cli("identify --snmp 3 --security-username noauth" + host, exit_failed, true);
    EXPECT_EQ(silent.rfind(timeout, 0), 0u) << silent;
}

TEST(CliDevice, ControllersCardsAndTree) {
    auto sim = test::SimProcess::start("demo");
    ASSERT_NE(sim, nullptr);
    const std::string host = " --hostname " + sim->peer();
    EXPECT_EQ(run_cli("identify --json" + host, exit_ok),
              "{\"host\": \"" + sim->peer() +
                  "\", \"sysName\": \"R4150-DEMO\", \"model\": \"R4150\", \"root\": "
                  "\"1.3.6.1.4.1.823.4150\", \"serial_1\": 41500117, \"serial_2\": 41500118, "
                  "\"firmware\": \" V2.15.02\", \"fw_lt_2_15_01\": false, \"fw_ge_2_15_01\": "
                  "true, \"fw_ge_2_15_02\": true, \"power_supply_1\": \"DC-48v\", "
                  "\"power_supply_2\": \"AC/DC\", \"xcu_sync\": \"sync\", \"working_xcu\": 1, "
                  "\"active_map\": 1}\n");

    // The warnings of the opening go to stderr; the card lines to stdout.
    sim->set_value("R.1.1.1.9.3", "i:4");
    EXPECT_EQ(run_cli("cards" + host, exit_ok, false, false),
              "Trib1 E1-NP registered 2 installed 2 ports 8 state working\n"
              "Trib2 T1-NP registered 4 installed 2 ports 8 state working\n"
              "Trib3 E1-PRTD registered 3 installed 2 ports 8 state unplugged\n"
              "Trib4 E1-PRTD registered 3 installed 2 ports 0 state working\n"
              "Trib5 T3-MX3-NP registered 38 installed 15 ports 4 state working\n"
              "Trib6 STM1-NP registered 13 installed 6 ports 4 state working\n"
              "Trib7 OC3-NP registered 19 installed 6 ports 3 state working\n"
              "Trib8 unknown registered 7 installed 2 ports 0 state working\n"
              "In-Band HDLC registered 0 installed 0 ports 0\n");

    const std::string tree = run_cli("tree --slot 6" + host, exit_ok, false, false);
    EXPECT_EQ(tree.substr(0, tree.find("TS-01")),
              "Trib6 STM1-NP\n"
              "  Port-01 P01 6.1.0.0.0.0 kind 0 \"SDH-RING-EAST\"\n"
              "    AUG1-01 A01 0.1.1.100.100.0 kind 4\n"
              "      AU4-01 A01 0.1.1.1.0.0 kind 5\n"
              "        TU12-01 01 6.1.1.1.1.100 kind 5\n          ");
    const std::string json = run_cli("tree --json --slot 9" + host, exit_ok, false, false);
    EXPECT_EQ(json.substr(0, json.find("{\"name\": \"TS-01")),
              "[{\"slot\": 9, \"name\": \"In-Band\", \"type\": \"HDLC\", "
              "\"endpoints\": [{\"name\": \"HDLC_1\", \"short_name\": \"H01\", "
              "\"address\": [9, 1, 100, 100, 100, 0], \"kind\": 0, \"identifier\": "
              "null, \"children\": [");
    run_cli("tree --slot 10" + host, exit_usage);

    // The device may come from a device configuration file instead.
    const std::string file = testing::TempDir() + "demo.lcf";
    test::write_file(file,
                     "hostname " + sim->peer() + "\r\nsnmp 1\r\nget_community \"public\"\r\n");
    const std::string configured = run_cli("identify --config " + file, exit_ok);
    EXPECT_EQ(configured.substr(0, configured.find("model:")),
              "host: " + sim->peer() + "\nsysName: R4150-DEMO\n");
    run_cli("identify --config " + file + host, exit_usage);
}

// A failure shown on the way fails the command; without the controllers the opening ends
// before anything is read from a map that is not known.
TEST(CliDevice, FailuresShownFailTheCommand) {
    auto sim = test::SimProcess::start("small");
    ASSERT_NE(sim, nullptr);
    const std::string controllers = "!!SNMP Error\nA SNMP error occurred while reading "
                                    "configuration.\n\nSNMP error: Generic Error\n\n"
                                    "Rescan device\n";
    const struct {
        const char* fault;
        const char* command;
        std::string out; // stdout and stderr; empty: not checked
    } cases[] = {{"R.1.1.1.5", "cards", ""},
                 {"R.1.2.1.1", "identify", controllers},
                 {"R.1.2.1.1", "tree", controllers}};
    for (const auto& c : cases) {
        ASSERT_TRUE(sim->clear_faults() && sim->fail_prefix(c.fault, 5));
        const std::string out =
            run_cli(std::string(c.command) + " --hostname " + sim->peer(), exit_failed, true);
        if (!c.out.empty()) {
            EXPECT_EQ(out, c.out) << c.command;
        }
    }
}

TEST(CliCrossConnects, MapUnmapIdentifiersAndRefusals) {
    auto sim = test::SimProcess::start("demo");
    ASSERT_NE(sim, nullptr);
    test::ScratchDir scratch;
    const std::string device = " --hostname " + sim->peer() + " --set-community private";
    const std::string with_comments =
        device + " --comments " + (scratch.path() / "site.mec").string();
    // What the window would not allow, or an identifier the comment file cannot hold or
    // longer than the window's field, is refused before anything is sent.
    const auto no_set = [&] {
        for (const std::string& request : sim->requests()) {
            EXPECT_EQ(request.rfind("SET", 0), std::string::npos) << request;
        }
        sim->clear_requests();
    };
    const std::string dst = " --dst E1-NP,Trib1,Port-06,TS-01";
    run_cli("map" + device + dst + " --src e1-prtd,trib3,port-06,ts-01 --count 3 --voice", exit_ok,
            false, false);
    EXPECT_EQ(sim->value("R.1.16.3.1.16.1.1.6.100.100.100.4"), "i:2"); // TS-03, voice
    EXPECT_TRUE(holds(run_cli("tree --slot 1" + device, exit_ok, false, false),
                      "    TS-03 03 1.6.100.100.100.4 kind 0 xc "
                      "E1-PRTD,Trib3,Port-06,TS-03 mutual voice a-mu off table none\n"));

    sim->clear_requests();
    EXPECT_TRUE(holds(
        run_cli("map" + device + dst + " --src E1-PRTD,Trib3,Port-06,TS-05 --count 3", exit_failed),
        "vornex-cli: the map window does not allow this cross-connect"));
    no_set();

    // The device's refusal, by its meaning.
    std::string error;
    ASSERT_TRUE(sim->command("force-result 25", error));
    EXPECT_TRUE(holds(run_cli("unmap" + device + dst + " --count 3", exit_failed),
                      "reported an error for the clear cross-connect operation:\n\n"
                      "\"clear-xc-fail(25)\"\n"));
    run_cli("unmap" + device + dst + " --count 3", exit_ok, false, false);
    EXPECT_FALSE(sim->value("R.1.16.3.1.9.1.1.6.100.100.100.2").has_value());
    EXPECT_FALSE(sim->value("R.1.16.3.1.9.1.3.6.100.100.100.2").has_value());
    run_cli("unmap" + device + " --dst E1-NP,Trib1,Port-99,TS-01", exit_usage);
    run_cli("tree --map 3" + device, exit_usage);

    // The export row's spelling, --yes anywhere, and identifiers.
    const std::string run = " --dst 'E1-NP, Trib1, Port-06, TS-01' --count 2 --src 'E1-PRTD, "
                            "Trib3, Port-06, TS-01'";
    sim->clear_requests();
    EXPECT_TRUE(holds(run_cli("map" + with_comments + run + " --identifier 'A\"B'", exit_failed),
                      "Invalid characters in input.\n\nID and comment may not contain "
                      "double quote, backslash, or control characters.\n"));
    run_cli("map" + with_comments + run + " --identifier 1234567890123456789", exit_usage);
    no_set();

    run_cli("map" + with_comments + run + " --identifier 'TRUNK 7' --yes", exit_ok);
    EXPECT_EQ(sim->value("R.1.16.3.1.16.1.1.6.100.100.100.3"), "i:1"); // TS-02, data
    EXPECT_NE(test::read_text(scratch.path() / "site.mec").find("\"TRUNK 7\""), std::string::npos);
    // Two neighbouring leaves with the identifier on each card: one index row per card.
    EXPECT_EQ(run_cli("index" + with_comments + " --find trunk", exit_ok, false, false),
              "TRUNK 7\tE1-NP,Trib1,Port-06,TS-01\t-> E1-PRTD,Trib3,Port-06,TS-01\n"
              "TRUNK 7\tE1-PRTD,Trib3,Port-06,TS-01\t-> E1-NP,Trib1,Port-06,TS-01\n");
    // Written back but refused: the command line cannot choose another file, so even --yes
    // skips once instead of asking forever (the output is cut short if it does).
    const std::string unwritable = run_cli(
        "env bash -c \"set -o pipefail; trap '' XFSZ; ulimit -f 0; " + std::string(VORNEX_CLI) +
            " index" + with_comments + " --yes 2>&1 | head -c 20000\"",
        exit_failed);
    EXPECT_TRUE(holds(unwritable, "File too large\nVornex Comment File Error\n"));
    EXPECT_TRUE(unwritable.ends_with("(skipped: no other comment file can be chosen here)\n"))
        << unwritable;
    run_cli("unmap" + with_comments +
                " --dst 'E1-NP, Trib1, Port-06, TS-01' --count 2 --identifier ''",
            exit_ok);
    EXPECT_EQ(test::read_text(scratch.path() / "site.mec").find("TRUNK"), std::string::npos);
    EXPECT_TRUE(
        holds(run_cli("store" + with_comments + " --yes", exit_ok), "(answered OK: --yes)"));
}

TEST(CliProgram, DispatchesAndRefusesUnknownCommands) {
    EXPECT_EQ(run_cli("show-message '!*Note\\r\\n\\r\\nBody text'", exit_ok),
              "kind: exclamation\nbeep: no\ntitle: *Note\n!*Note\nBody text\n");
    EXPECT_EQ(run_cli("frobnicate", exit_usage), "vornex-cli: unknown command frobnicate\n");
    EXPECT_TRUE(holds(run_cli("--help", exit_ok), "show-message TEXT"));
}

} // namespace
} // namespace vornex::cli
