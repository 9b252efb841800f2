#include "cli/cli.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

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

TEST(StderrPresenter, QuestionsAreAnsweredFromTheFlag) {
    std::ostringstream err;
    StderrPresenter cautious(err, false);
    EXPECT_EQ(confirm_dialog(cautious, {}, "Confirm Store\r\n\r\n\r\nStore configuration?"),
              dialog_cancel);
    StderrPresenter bold(err, true);
    EXPECT_EQ(confirm_dialog(bold, {}, "Confirm Store\r\n\r\n\r\nStore configuration?"), dialog_ok);
    EXPECT_EQ(err.str(), "Confirm Store\nStore configuration?\n"
                         "(answered Cancel: give --yes to go on)\n"
                         "Confirm Store\nStore configuration?\n"
                         "(answered OK: --yes)\n");
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

struct CliRun {
    int status;
    std::string out;
};

CliRun run_cli(const std::string& arguments) {
    const std::string command = std::string(VORNEX_CLI) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    CliRun run{-1, {}};
    std::array<char, 256> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
        run.out += chunk.data();
    }
    run.status = WEXITSTATUS(pclose(pipe));
    return run;
}

TEST(CliProgram, DispatchesAndRefusesUnknownCommands) {
    const CliRun shown = run_cli("show-message '!*Note\\r\\n\\r\\nBody text'");
    EXPECT_EQ(shown.status, exit_ok);
    EXPECT_EQ(shown.out, "kind: exclamation\nbeep: no\ntitle: *Note\n!*Note\nBody text\n");

    const CliRun unknown = run_cli("frobnicate");
    EXPECT_EQ(unknown.status, exit_usage);
    EXPECT_EQ(unknown.out, "vornex-cli: unknown command frobnicate\n");

    const CliRun help = run_cli("--help");
    EXPECT_EQ(help.status, exit_ok);
    EXPECT_NE(help.out.find("show-message TEXT"), std::string::npos);
}

} // namespace
} // namespace vornex::cli
