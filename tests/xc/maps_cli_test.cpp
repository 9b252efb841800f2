// vornex-cli's map commands against the simulator: the export is the program's byte for
// byte, a dry run sends no SET, warnings reach stderr in the program's words, and
// identifiers travel through the comment file.
#include "map_fixture.h"
#include "run_command.h"
#include "scripted_progress.h"
#include "xc/map_export.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vornex {
namespace {

using test::count_requests;
using test::holds;
using test::MapFixture;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

class MapsCli : public MapFixture {
protected:
    void SetUp() override { start("demo"); }

    // vornex-cli with `arguments` on the device, expected to exit with `status`.
    CliRun run(const std::string& arguments, int status = 0) {
        const auto err_file = dir / "stderr.txt";
        const std::string command = std::string(VORNEX_CLI) + " " + arguments + " --hostname " +
                                    sim->peer() + " --set-community private 2>" + err_file.string();
        CliRun result{-1, {}, {}};
        result.out = test::run_command(command, &result.status);
        result.err = test::read_text(err_file);
        EXPECT_EQ(result.status, status) << arguments << '\n' << result.err;
        return result;
    }

    std::string path(const char* name) { return (dir / name).string(); }

    // The program's own export of the displayed map, read afresh.
    std::string program_export(const ExportOptions& options) {
        rebuild(*box);
        test::ScriptedProgress progress;
        EXPECT_EQ(map_export(presenter, {}, box.get(), dir / "program.csv", options, progress), 0);
        return test::read_text(dir / "program.csv");
    }
};

TEST_F(MapsCli, ExportIsTheProgramsAndADryRunSendsNothing) {
    run("export " + path("all.csv"));
    EXPECT_EQ(test::read_text(path("all.csv")), program_export({}));
    run("export " + path("assigned.csv") + " --no-unassigned");
    EXPECT_EQ(test::read_text(path("assigned.csv")), program_export({true, false}));

    sim->clear_requests();
    CliRun dry = run("import " + path("all.csv") + " --dry-run");
    EXPECT_EQ(dry.out, "nothing to change\n");
    EXPECT_EQ(count_requests(sim->requests(), "SET "), 0);

    run("delete-map 1", 1); // not confirmed without --yes
    run("--yes delete-map 1");
    sim->clear_requests();
    dry = run("import " + path("all.csv") + " --dry-run");
    EXPECT_EQ(count_requests(sim->requests(), "SET "), 0);
    EXPECT_EQ(dry.out,
              "line 3: make bidirectional E1-NP Trib1 Port-01 TS-10 <- E1-PRTD Trib3 Port-01 "
              "TS-01 count 3\n"
              "line 6: make unidirectional E1-NP Trib1 Port-02 TS-05 <- T1-NP Trib2 Port-01 "
              "TS-01 count 1\n"
              "line 8: make bidirectional E1-NP Trib1 Port-03 TS-00 <- E1-PRTD Trib3 Port-08 "
              "TS-00 count 1\n"
              "line 9: make bidirectional E1-NP Trib1 Port-04 TS-01 <- HDLC In-Band HDLC_1 TS-01 "
              "count 2\n"
              "line 11: make bidirectional E1-NP Trib1 Port-05 TS-01 <- T3-MX3-NP Trib5 Port-02 "
              "Chan-01 TS-01 count 4\n"
              "line 129: make bidirectional STM1-NP Trib6 Port-01 AUG1-01 AU4-01 TU12-01 TS-01 "
              "<- OC3-NP Trib7 Port-01 STS3-01 AU4-01 VT2-01 TS-01 count 31\n");

    EXPECT_TRUE(holds(run("import " + path("all.csv")).err,
                      "import: 402 lines, 6 rows applied, 0 warnings\n"));
    run("export " + path("again.csv"));
    EXPECT_EQ(test::read_text(path("again.csv")), test::read_text(path("all.csv")));
}

TEST_F(MapsCli, AnInterruptedExportTakesNotTheChosenName) {
    const std::string file = path("stopped.csv");
    const std::string command = "exec " + std::string(VORNEX_CLI) + " export " + file +
                                " --hostname " + sim->peer() + " 2>" + path("stderr.txt");
    sim->delay_ms(5); // slow enough to be interrupted while it reads the cross-connects
    pid_t pid = -1;
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    const std::string reading = "GETNEXT 1.3.6.1.4.1.823.4150.1.16.3.";
    for (int tries = 0; tries < 2000 && count_requests(sim->requests(), reading) == 0; ++tries)
        usleep(10'000);
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(holds(test::read_text(path("stderr.txt")),
                      "!!Export Incomplete\nThe export was interrupted, so the export was not "
                      "saved as " +
                          file + ".\n\nThe rows written are in " + file + "."));
}

TEST_F(MapsCli, WarningsAndStopping) {
    test::write_file(dir / "bad.csv",
                     "bidirectional, 0, data, , , \"\", E1-NP, Trib1, Port-08, TS-01, , , , \"\", "
                     "E1-NP, Trib1, Port-06, TS-01, , , , # \r\n"
                     "sideways, 1, data, , , \"\", E1-NP, Trib1, Port-08, TS-01, , , , \"\", "
                     "E1-NP, Trib1, Port-06, TS-01, , , , # \r\n");
    EXPECT_TRUE(holds(run("import " + path("bad.csv"), 1).err,
                      "Import Error\nImport file line 1, invalid TS_Count 0.\n"
                      "Import Error\nImport file line 2, unknown XC type. \"sideways\"\n"
                      "import: 2 lines, 0 rows applied, 2 warnings\n"));
    const CliRun stop = run("import " + path("bad.csv") + " --stop-on-warning", 1);
    EXPECT_EQ(stop.err.find("line 2"), std::string::npos);
    EXPECT_TRUE(holds(stop.err, "import: 1 lines, 0 rows applied, 0 warnings, stopped\n"));
    run("import", 2);
    run("activate 3", 2);
}

TEST_F(MapsCli, IdentifiersTravelThroughTheCommentFile) {
    const std::string comments = " --comments " + path("site.mec");
    test::write_file(dir / "ids.csv",
                     "unidirectional, 2, data, , , \"TRUNK-A\", E1-NP, Trib1, Port-08, TS-01, , , "
                     ", \"FAR-A\", E1-NP, Trib1, Port-06, TS-01, , , , # \r\n");
    run("import " + path("ids.csv") + " --apply-identifiers" + comments);
    ASSERT_TRUE(std::filesystem::exists(dir / "site.mec"));
    EXPECT_FALSE(std::filesystem::exists(dir / "site.mec.lock")); // released
    run("export " + path("ids-out.csv") + " --no-unassigned" + comments);
    const std::string row = "unidirectional, 2, data, , , \"TRUNK-A\", E1-NP, Trib1, Port-08, "
                            "TS-01, , , , \"\", E1-NP, Trib1, Port-06, TS-01, , , , # \r\n";
    EXPECT_TRUE(holds(test::read_text(path("ids-out.csv")), row));

    // Active Map1 copied to Map2 with its identifiers; then Map1's identifiers cleared.
    run("copy-map --copy-comments" + comments);
    // A folder in the comment file's place is refused, not moved aside, and the maps stay.
    std::filesystem::create_directory(dir / "folder.mec");
    sim->clear_requests();
    run("copy-map --copy-comments --comments " + path("folder.mec"), 1);
    EXPECT_EQ(count_requests(sim->requests(), "SET "), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.mec"));
    EXPECT_FALSE(std::filesystem::exists(dir / "folder.mec~"));
    run("--yes delete-map 1 --clear-identifiers" + comments);
    run("export " + path("map2.csv") + " --map 2 --no-unassigned" + comments);
    EXPECT_TRUE(holds(test::read_text(path("map2.csv")), row));
    run("export " + path("map1.csv") + comments);
    EXPECT_TRUE(holds(test::read_text(path("map1.csv")),
                      "unmapped, 31, , , , \"\", E1-NP, Trib1, Port-08, TS-01,"));

    // Store, activate, retrieve: the device goes back to the stored Map1.
    run("--yes store");
    run("activate 2");
    EXPECT_EQ(sim->value("R.1.16.4.1.0"), "i:2");
    run("--yes retrieve");
    EXPECT_EQ(sim->value("R.1.16.4.1.0"), "i:1");
}

} // namespace
} // namespace vornex
