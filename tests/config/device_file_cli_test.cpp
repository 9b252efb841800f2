// vornex-cli's device-file subcommands and the --config option of device subcommands.
#include "cli/config_option.h"
#include "crypto_test_util.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace vornex::cli {
namespace {

std::string cli(const std::string& arguments, int expected = exit_ok) {
    return test::run_cli(arguments, expected);
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
    cli("device-file write " + file +
        " --hostname 10.4.4.4 --snmp 3 --auth-protocol md5 --priv-protocol aes"
        " --auth-key authkey1 --priv-key privkey2 --security-username ops"
        " --get-community 'get one' --comment-file '/srv/x y.mec'");
    EXPECT_EQ(test::read_text(file).substr(0, 20), "hostname 10.4.4.4\r\ns");
    EXPECT_EQ(cli("device-file show " + file),
              "file: " + file +
                  "\nencrypted: no\nhostname: 10.4.4.4\nsnmp: 3\nauth_protocol: md5\n"
                  "priv_protocol: aes\nget_community: *******\nset_community: ******\n"
                  "security_username: ops\ncontext_name: \nauth_key: ********\n"
                  "priv_key: ********\ncomment_file: /srv/x y.mec\n");
    const std::string revealed = cli("device-file show " + file + " --show-secrets");
    EXPECT_NE(revealed.find("get_community: get one\n"), std::string::npos);
    EXPECT_NE(revealed.find("auth_key: authkey1\n"), std::string::npos);
}

TEST_F(DeviceFileCli, EncryptedFilesTakeThePasswordFromAFileOrTheEnvironment) {
    const std::string file = path("b.lcf");
    const std::string with_password = " --password-file " + password_file.string();
    cli("device-file write " + file + " --hostname 10.5.5.5 --encrypt" + with_password);
    EXPECT_GE(test::read_file(file).at(0), 0x80);
    EXPECT_NE(cli("device-file show " + file + with_password)
                  .find("encrypted: yes\nhostname: 10.5.5.5\n"),
              std::string::npos);
    EXPECT_EQ(cli("device-file show " + file, exit_failed),
              "vornex-cli: a password is needed: give --password-file FILE or set "
              "VORNEX_PASSWORD\nvornex-cli: " +
                  file + " is encrypted\n");
    cli("device-file show " + file + " --password-file " + path("none"), exit_failed);

    setenv("VORNEX_PASSWORD", "Str0ng-Enough", 1);
    cli("device-file show " + file);
    setenv("VORNEX_PASSWORD", "Str0ng-enough", 1);
    EXPECT_NE(
        cli("device-file show " + file, exit_failed).find("Incorrect password or corrupt file."),
        std::string::npos);
}

TEST_F(DeviceFileCli, RefusesWhatTheFileCannotCarryAndWeakPasswords) {
    const std::string file = path("c.lcf");
    for (const std::string& bad : std::vector<std::string>{
             "--get-community 'a\"b'", "--auth-key 'two words'", "--hostname ''",
             "--hostname " + std::string(60, 'h'), "--context-name " + std::string(40, 'c'),
             "--snmp 2", "--bogus x"}) {
        cli("device-file write " + file + " " + bad, exit_usage);
    }
    for (const char* weak : {"alllower1", "Sh0rt!"}) {
        setenv("VORNEX_PASSWORD", weak, 1);
        cli("device-file write " + file + " --encrypt", exit_usage);
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    cli("device-file frob", exit_usage);
}

// CliDevice.ControllersCardsAndTree opens the simulator through a plain --config file and
// refuses it beside --hostname; here an encrypted one.
TEST_F(DeviceFileCli, DeviceSubcommandsTakeTheirDeviceFromConfig) {
    const std::string file = path("d.lcf");
    cli("device-file write " + file + " --hostname 10.6.6.6 --encrypt --password-file " +
        password_file.string());
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
