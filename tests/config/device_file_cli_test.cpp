// vornex-cli's device-file subcommands and the --config option of device subcommands.
#include "cli/config_option.h"
#include "crypto_test_util.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace vornex::cli {
namespace {

struct CliRun {
    int status;
    std::string out;
};

CliRun cli(const std::string& arguments) {
    int status = -1;
    std::string out =
        test::run_command(std::string(VORNEX_CLI) + " " + arguments + " 2>&1", &status);
    return {status, out};
}

class DeviceFileCli : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("VORNEX_PASSWORD");
        test::write_file(password_file, "Str0ng-Enough\r\n");
    }
    std::string path(const std::string& name) { return (dir / name).string(); }

    test::ScratchDir dir;
    std::filesystem::path password_file = dir / "pw";
};

TEST_F(DeviceFileCli, WritesAPlainFileAndShowsItMasked) {
    const std::string file = path("a.lcf");
    const CliRun written =
        cli("device-file write " + file +
            " --hostname 10.4.4.4 --snmp 3 --auth-protocol md5 --priv-protocol aes"
            " --auth-key authkey1 --priv-key privkey2 --security-username ops"
            " --get-community 'get one' --comment-file '/srv/x y.mec'");
    ASSERT_EQ(written.status, exit_ok) << written.out;
    EXPECT_EQ(test::read_text(file).substr(0, 20), "hostname 10.4.4.4\r\ns");

    const CliRun shown = cli("device-file show " + file);
    EXPECT_EQ(shown.status, exit_ok);
    EXPECT_EQ(shown.out, "file: " + file +
                             "\nencrypted: no\nhostname: 10.4.4.4\nsnmp: 3\nauth_protocol: md5\n"
                             "priv_protocol: aes\nget_community: *******\nset_community: ******\n"
                             "security_username: ops\ncontext_name: \nauth_key: ********\n"
                             "priv_key: ********\ncomment_file: /srv/x y.mec\n");
    const CliRun revealed = cli("device-file show " + file + " --show-secrets");
    EXPECT_NE(revealed.out.find("get_community: get one\n"), std::string::npos);
    EXPECT_NE(revealed.out.find("auth_key: authkey1\n"), std::string::npos);
}

TEST_F(DeviceFileCli, EncryptedFilesTakeThePasswordFromAFileOrTheEnvironment) {
    const std::string file = path("b.lcf");
    ASSERT_EQ(cli("device-file write " + file + " --hostname 10.5.5.5 --encrypt --password-file " +
                  password_file.string())
                  .status,
              exit_ok);
    EXPECT_GE(test::read_file(file).at(0), 0x80);

    const CliRun from_file =
        cli("device-file show " + file + " --password-file " + password_file.string());
    EXPECT_EQ(from_file.status, exit_ok) << from_file.out;
    EXPECT_NE(from_file.out.find("encrypted: yes\nhostname: 10.5.5.5\n"), std::string::npos);

    const CliRun from_environment = cli("device-file show " + file);
    EXPECT_EQ(from_environment.status, exit_failed);
    EXPECT_EQ(from_environment.out, "vornex-cli: a password is needed: give --password-file FILE "
                                    "or set VORNEX_PASSWORD\nvornex-cli: " +
                                        file + " is encrypted\n");
    EXPECT_EQ(cli("device-file show " + file + " --password-file " + path("none")).status,
              exit_failed);

    setenv("VORNEX_PASSWORD", "Str0ng-Enough", 1);
    EXPECT_EQ(cli("device-file show " + file).status, exit_ok);
    setenv("VORNEX_PASSWORD", "Str0ng-enough", 1);
    const CliRun wrong = cli("device-file show " + file);
    EXPECT_EQ(wrong.status, exit_failed);
    EXPECT_NE(wrong.out.find("Incorrect password or corrupt file."), std::string::npos);
}

TEST_F(DeviceFileCli, RefusesWhatTheFileCannotCarryAndWeakPasswords) {
    const std::string file = path("c.lcf");
    for (const std::string& bad : std::vector<std::string>{
             "--get-community 'a\"b'", "--auth-key 'two words'", "--hostname ''",
             "--hostname " + std::string(60, 'h'), "--context-name " + std::string(40, 'c'),
             "--snmp 2", "--bogus x"}) {
        EXPECT_EQ(cli("device-file write " + file + " " + bad).status, exit_usage) << bad;
    }
    setenv("VORNEX_PASSWORD", "alllower1", 1);
    EXPECT_EQ(cli("device-file write " + file + " --encrypt").status, exit_usage);
    setenv("VORNEX_PASSWORD", "Sh0rt!", 1);
    EXPECT_EQ(cli("device-file write " + file + " --encrypt").status, exit_usage);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(cli("device-file frob").status, exit_usage);
}

// CliDevice.ControllersCardsAndTree opens the simulator through a plain --config file and
// refuses it beside --hostname; here an encrypted one.
TEST_F(DeviceFileCli, DeviceSubcommandsTakeTheirDeviceFromConfig) {
    const std::string file = path("d.lcf");
    ASSERT_EQ(cli("device-file write " + file + " --hostname 10.6.6.6 --encrypt --password-file " +
                  password_file.string())
                  .status,
              exit_ok);
    std::ostringstream out, err;
    StderrPresenter presenter(err, false);
    Context context{presenter, out, err};
    const auto parse = [&](const std::vector<std::string>& words) {
        return *Args::parse(words, device_and_config_option_names(), {}, err);
    };

    device_config config;
    EXPECT_EQ(
        device_config_from_command_line(
            context, parse({"--config", file, "--password-file", password_file.string()}), config),
        exit_ok);
    EXPECT_EQ(config.hostname, "10.6.6.6");
    EXPECT_TRUE(config.encrypted);

    EXPECT_EQ(device_config_from_command_line(context, parse({"--config", file}), config),
              exit_failed);
    EXPECT_EQ(device_config_from_command_line(
                  context, parse({"--config", file, "--hostname", "10.7.7.7"}), config),
              exit_usage);
    EXPECT_NE(err.str().find("vornex-cli: --config cannot be combined with --hostname\n"),
              std::string::npos);
}

} // namespace
} // namespace vornex::cli
