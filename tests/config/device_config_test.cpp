// Reading and writing plain device configuration files: the keyword rules and their messages,
// the five-error limit, size limits, and a save that never destroys the previous file.
#include "config/device_config.h"
#include "crypto_test_util.h"
#include "file_size_limit.h"
#include "recording_presenter.h"
#include "scripted_prompt.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

class DeviceConfigFile : public ::testing::Test {
protected:
    // Reads `content` from a file and returns the read's result.
    int read_text(std::string_view content) {
        test::write_file(file, content);
        return device_config_read(presenter, prompt, owner, file, config);
    }
    std::string config_error(const std::string& body) {
        return "Config File Error\r\n\r\n\r\n" + body;
    }

    test::ScratchDir dir;
    std::filesystem::path file = dir / "device.lcf";
    test::RecordingPresenter presenter;
    test::ScriptedPrompt prompt; // cancels
    OwnerWindow owner{reinterpret_cast<const void*>(0x1234)};
    device_config config;
};

// Longer than a 99-character token, shorter than the 259-unit field.
const std::string comment_path =
    "/srv/" + std::string(150, 'd') + "/Z\xc3\xbcrich \xe2\x82\xac.mec";

device_config sample() {
    device_config c;
    device_config_set_defaults(c);
    c.hostname = "10.1.2.3";
    c.snmp_version = snmp_version_3;
    c.auth_protocol = auth_sha;
    c.priv_protocol = priv_aes;
    c.get_community = "get it";
    c.set_community = "";
    c.security_username = "operator";
    c.context_name = "ctx";
    c.auth_key = "authpass1";
    c.priv_key = "privpass2";
    c.comment_file = std::filesystem::path(std::u8string(comment_path.begin(), comment_path.end()));
    return c;
}

TEST_F(DeviceConfigFile, WritesTheElevenLinesWithCrlfAndReadsThemBack) {
    const device_config written = sample();
    ASSERT_EQ(device_config_write(presenter, owner, file, written), 0);
    EXPECT_EQ(test::read_text(file),
              "hostname 10.1.2.3\r\nsnmp 3\r\nauth_protocol sha\r\npriv_protocol aes\r\n"
              "get_community \"get it\"\r\nset_community \"\"\r\nsecurity_username \"operator\"\r\n"
              "context_name \"ctx\"\r\nauth_key authpass1\r\npriv_key privpass2\r\n"
              "comment_file \"" +
                  comment_path + "\"\r\n");

    ASSERT_EQ(device_config_read(presenter, prompt, owner, file, config), 0);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_TRUE(prompt.asked_for.empty());
    EXPECT_EQ(config.file_name, file);
    EXPECT_FALSE(config.encrypted);
    // Every field as written (the text's form is the file's, pinned above), except that an
    // empty quoted value keeps the default.
    device_config expected = written;
    expected.set_community = "public";
    EXPECT_EQ(device_config_text(config), device_config_text(expected));

    // Other values: version 1 and the MD5/DES names.
    device_config v1 = sample();
    v1.snmp_version = snmp_version_1;
    v1.auth_protocol = auth_md5;
    v1.priv_protocol = priv_des;
    EXPECT_NE(device_config_text(v1).find("snmp 1\nauth_protocol md5\npriv_protocol des\n"),
              std::string::npos);
}

TEST_F(DeviceConfigFile, KeywordsInAnyCaseQuotesAndWhatIsIgnored) {
    ASSERT_EQ(read_text("# a device\n\n   \r\nHOSTNAME first\nHostName 172.16.0.9 extra words\r\n"
                        "Snmp 3\nAUTH_PROTOCOL Md5\npriv_PROTOCOL dEs\n#hostname ignored\n"
                        "Get_Community \"abc\"\nget_community public2\nauth_key one two\nauth_key\n"
                        "set_community \"\"\nsecurity_username \"a b\"c\n"
                        "context_name \"unclosed text\r\npriv_key\ncomment_file\n"),
              0);
    EXPECT_TRUE(presenter.shown.empty());
    // A later line wins; a value not in the quotes it needs, or none at all, leaves the field
    // alone without a message; a blank ends a value that takes no quotes.
    EXPECT_EQ(device_config_text(config),
              "hostname 172.16.0.9\nsnmp 3\nauth_protocol md5\npriv_protocol des\n"
              "get_community \"abc\"\nset_community \"public\"\nsecurity_username \"a b\"\n"
              "context_name \"unclosed text\"\nauth_key one\npriv_key \ncomment_file \"\"\n");

    ASSERT_EQ(read_text("comment_file C:\\data\\site.mec\n"), 0);
    EXPECT_EQ(config.comment_file, std::filesystem::path("C:\\data\\site.mec"));
    ASSERT_EQ(read_text("comment_file \"/data/my site/a.mec\" trailing\n"), 0);
    EXPECT_EQ(config.comment_file, std::filesystem::path("/data/my site/a.mec"));
    ASSERT_EQ(read_text("comment_file \"\"\n"), 0);
    EXPECT_TRUE(config.comment_file.empty());
}

TEST_F(DeviceConfigFile, EveryBadLineHasItsMessage) {
    ASSERT_EQ(read_text("hostname\nsnmp\nsnmp 2\nauth_protocol\n"), 0);
    ASSERT_EQ(read_text("auth_protocol Sha256\npriv_protocol\npriv_protocol 3des\n"
                        "Frobnicate on\n"),
              0);
    EXPECT_EQ(
        presenter.texts(),
        (std::vector<std::string>{
            config_error("\r\nhostname keyword requires an IP address or hostname."),
            config_error("\r\nsnmp keyword requires version [1 or 3]"),
            config_error("\r\nsnmp version, must be 1 or 3."),
            config_error("auth_protocol keyword requires protocol\r\n\r\n[MD5 | SHA | None]"),
            config_error("auth_protocol Sha256\r\n\r\ninvalid protocol"),
            config_error("priv_protocol keyword requires protocol\r\n\r\n [DES | AES | None]"),
            config_error("priv_protocol 3des\r\n\r\n invalid protocol"),
            config_error("\r\nUnknown keyword Frobnicate"),
        }));
    for (const auto& shown : presenter.shown) {
        EXPECT_EQ(shown.routine, test::Routine::error);
        EXPECT_EQ(shown.owner, owner);
    }
}

TEST_F(DeviceConfigFile, FourBadLinesAreToleratedAFifthEndsTheRead) {
    ASSERT_EQ(read_text("one 1\ntwo 2\nhostname 10.0.0.7\nthree 3\nfour 4\n"), 0);
    EXPECT_EQ(presenter.shown.size(), 4u);
    EXPECT_EQ(config.hostname, "10.0.0.7");

    presenter.clear();
    ASSERT_EQ(read_text("one 1\ntwo 2\nthree 3\nfour 4\nfive 5\nsix 6\nhostname 10.0.0.8\n"), 1);
    const auto texts = presenter.texts();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[4], config_error("\r\nUnknown keyword five"));
    EXPECT_EQ(texts[5], "!!Config File Error\r\n\r\n\r\nError parsing file " + file.string() +
                            "\r\n\r\nToo many errors parsing file.\r\n\r\nVerify correct file "
                            "was selected.");
    EXPECT_EQ(config.hostname, "192.168.0.1"); // reading stopped at the fifth bad line
}

TEST_F(DeviceConfigFile, ValuesLongerThanTheirFieldAreRefusedNotCut) {
    const std::string host59(59, 'h');
    ASSERT_EQ(read_text("hostname " + host59 + "\nauth_key " + std::string(33, 'k') +
                        "\nget_community \"" + std::string(39, 'c') + "\"\n"),
              0);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(config.hostname, host59);

    ASSERT_EQ(read_text("hostname " + std::string(60, 'h') + "\npriv_key " + std::string(34, 'k') +
                        "\nset_community \"" + std::string(40, 'c') + "\"\n"),
              0);
    EXPECT_EQ(presenter.texts(),
              (std::vector<std::string>{
                  config_error("\r\nhostname value is longer than 59 characters."),
                  config_error("\r\npriv_key value is longer than 33 characters."),
                  config_error("\r\nset_community value is longer than 39 characters."),
              }));
    EXPECT_EQ((std::vector<std::string>{config.hostname, config.priv_key, config.set_community}),
              (std::vector<std::string>{"192.168.0.1", "", "public"}));

    // The writer cuts an over-long record to the fields, so what it writes reads back.
    device_config big = sample();
    big.hostname = std::string(80, 'x');
    big.auth_key = std::string(50, 'y');
    ASSERT_EQ(device_config_write(presenter, owner, file, big), 0);
    presenter.clear();
    ASSERT_EQ(device_config_read(presenter, prompt, owner, file, config), 0);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(config.hostname, std::string(59, 'x'));
    EXPECT_EQ(config.auth_key, std::string(33, 'y'));
}

TEST_F(DeviceConfigFile, CommentFilePathsAreCutToTheFieldAndMustBeUtf8) {
    // 300 units are cut to 259, never inside a character; "€" is one unit, the clef two.
    std::string clefs;
    for (int i = 0; i < 150; ++i)
        clefs += "\xf0\x9d\x84\x9e";
    ASSERT_EQ(read_text("comment_file \"" + clefs + "\"\n"), 0);
    EXPECT_EQ(config.comment_file.u8string().size(), 129u * 4);

    ASSERT_EQ(read_text("comment_file \"bad \xff\xfe path\"\n"), 0);
    EXPECT_EQ(presenter.last().text, config_error("\r\ncomment_file path is not valid UTF-8."));
}

TEST_F(DeviceConfigFile, SizeLimitsAndMissingFiles) {
    EXPECT_EQ(read_text(""), 1);
    EXPECT_EQ(presenter.last().text,
              "!!Read Error\r\n\r\n\r\nError reading file " + file.string() +
                  "\r\n\r\nFile size 0 is invalid.\r\n\r\nVerify correct file was selected.");

    // 8094 bytes is the largest file; 8095 and more are refused with the count 8095.
    std::string largest = "hostname 10.9.8.7\n#";
    largest += std::string(8094 - largest.size(), 'x');
    EXPECT_EQ(read_text(largest), 0);
    EXPECT_EQ(config.hostname, "10.9.8.7");
    presenter.clear();
    for (std::size_t size : {8095u, 20000u}) {
        EXPECT_EQ(read_text(std::string(size, '#')), 1);
        EXPECT_EQ(
            presenter.last().text,
            "!!Read Error\r\n\r\n\r\nError reading file " + file.string() +
                "\r\n\r\nFile size 8095 is invalid.\r\n\r\nVerify correct file was selected.");
    }

    const auto missing = dir / "missing.lcf";
    EXPECT_EQ(device_config_read(presenter, prompt, owner, missing, config), 1);
    EXPECT_EQ(presenter.last().text, "**Read Error\r\n\r\n\r\nUnable to open file " +
                                         missing.string() + "\r\n\r\nNo such file or directory");
    EXPECT_EQ(config.file_name, missing);
}

TEST_F(DeviceConfigFile, AFailedSaveLeavesThePreviousFile) {
    using std::filesystem::perms;
    ASSERT_EQ(device_config_write(presenter, owner, file, sample()), 0);
    EXPECT_EQ(std::filesystem::status(file).permissions(), perms::owner_read | perms::owner_write);
    std::filesystem::permissions(file, perms::owner_read | perms::owner_write | perms::group_read |
                                           perms::others_read);
    const test::Bytes before = test::read_file(file);

    // The file system refuses everything past 20 bytes, part way through the new file.
    device_config other = sample();
    other.hostname = "10.200.200.200";
    const int result = test::with_file_size_limit(
        20, [&] { return device_config_write(presenter, owner, file, other); });

    EXPECT_EQ(result, 1);
    EXPECT_EQ(presenter.last().text, "!!Write Error\r\n\r\n\r\nUnable to write file " +
                                         file.string() + "\r\n\r\nFile too large");
    EXPECT_EQ(test::read_file(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);

    // A save that works replaces the file; it holds secrets, so it is its owner's only.
    ASSERT_EQ(device_config_write(presenter, owner, file, other), 0);
    EXPECT_NE(test::read_file(file), before);
    EXPECT_EQ(std::filesystem::status(file).permissions(), perms::owner_read | perms::owner_write);

    const auto nowhere = dir / "no such folder" / "x.lcf";
    EXPECT_EQ(device_config_write(presenter, owner, nowhere, other), 1);
    EXPECT_EQ(presenter.last().text, "!!Write Error\r\n\r\n\r\nUnable to write file " +
                                         nowhere.string() + "\r\n\r\nNo such file or directory");
}

TEST(PasswordRule, EightCharactersOfThreeKinds) {
    EXPECT_TRUE(password_strong_enough("Abcdefg1"));
    EXPECT_TRUE(password_strong_enough("abcdef1!"));
    EXPECT_TRUE(password_strong_enough("ABC-DEF 9"));
    EXPECT_FALSE(password_strong_enough("abcdefg1"));  // two kinds
    EXPECT_FALSE(password_strong_enough("Abcdef1"));   // seven characters
    EXPECT_FALSE(password_strong_enough("ABCDEFGH!")); // two kinds
    EXPECT_FALSE(password_strong_enough(""));
}

} // namespace
} // namespace vornex
