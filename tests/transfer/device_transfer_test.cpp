// Device file transfers against vornex-sim, whose own TFTP client fetches from and pushes to
// the program's internal server on a free high port. The progress runs on a fake clock; the
// simulator's status steps follow the polls, so only the TFTP exchange itself takes time.
#include "model/card.h"
#include "recording_presenter.h"
#include "scratch_files.h"
#include "sim_process.h"
#include "test_device.h"
#include "transfer/transfer_progress.h"
#include "udp_port.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <thread>
#include <unistd.h>

namespace vornex {
namespace {

using test::free_udp_port;
using test::read_text;
using test::RecordingPresenter;
using test::ScratchDir;
using test::SimProcess;
using test::write_file;

const std::string config_text = "! R4150 configuration\r\nhostname lab-7\r\nactive-map 2\r\n";

class DeviceTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim = SimProcess::start("transfer");
        ASSERT_TRUE(sim);
        std::string error;
        ASSERT_TRUE(sim->command("transfer-port " + std::to_string(port), error)) << error;
        box = test::open_test_box(presenter, *sim);
        ASSERT_TRUE(box);
        ASSERT_EQ(get_controllers(*box), 0);
        ASSERT_EQ(read_cards(*box), 0);
    }

    std::string device(const std::string& command) {
        std::string error, text;
        for (const std::string& line :
             sim->command(command, error).value_or(std::vector<std::string>{}))
            text += line + "\n";
        return text;
    }

    int start(const std::filesystem::path& file, int type, int slot = 0) {
        TransferServices services{presenter, OwnerWindow::main_window(), server, {}, port};
        sim->clear_requests();
        return file_transfer_start(*box, services, memory, settings, file, type, slot, "Title",
                                   started);
    }

    // Watches the transfer to its end as the window does, every poll 2 s on the fake clock.
    TransferProgress watch(TransferKind kind = TransferKind::send_config) {
        TransferProgress progress(*box, clock, transfer_kind(kind), started.prior_status);
        for (int i = 0; i < 2000 && !progress.poll().done; ++i) {
            clock.advance(TransferProgress::poll_interval);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return progress;
    }

    bool sent_set_with(const std::string& part) {
        return std::ranges::any_of(sim->requests(), [&](const std::string& r) {
            return r.starts_with("SET") && r.find(part) != std::string::npos;
        });
    }

    std::uint16_t port = free_udp_port();
    std::unique_ptr<SimProcess> sim;
    RecordingPresenter presenter;
    std::unique_ptr<Box> box;
    RunnerServerControl server{presenter};
    TransferMemory memory{true, {}, {}};
    ftc_settings settings;
    StartedTransfer started;
    FakeClock clock;
    ScratchDir dir;
};

// Each kind end to end through the internal server: the bytes arrive unchanged, the device
// shows "ok", and firmware goes to the inactive banks of the board and its partner.
TEST_F(DeviceTransferTest, EveryKindEndToEnd) {
    const std::string mainboard = "R4150 FIRMWARE XCU V2.16.00\n" + std::string(3000, 'x');
    const std::string card = "R4150 FIRMWARE E1T1 V1.07.00\n" + std::string(2000, 'y');
    write_file(dir / "sent.cfg", config_text);
    write_file(dir / "main.run", mainboard);
    write_file(dir / "card.run", card);
    struct Case {
        TransferKind kind;
        const char* file;
        int type;
        int slot;
        const char* check_object; // a bank that must now hold the new version
        const char* version;
    } cases[] = {
        {TransferKind::send_config, "sent.cfg", 2, 0, nullptr, nullptr},
        {TransferKind::get_config, "got.cfg", 3, 0, nullptr, nullptr},
        {TransferKind::mainboard_firmware, "main.run", 1, 0, "R.1.2.2.1.1.4.2", "s:V2.16.00"},
        {TransferKind::card_firmware, "card.run", 12, 1, "R.1.2.2.1.1.4.4", "s:V1.07.00"},
        {TransferKind::fae_info, "FAE415001.pkg", 6, 0, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(start(dir / c.file, c.type, c.slot), 0);
        EXPECT_EQ(sent_set_with(".1.15.5.0=i:1"), c.slot == 1);
        const TransferProgress progress = watch(c.kind);
        EXPECT_EQ(progress.status_text(), "R4150 Status: ok");
        EXPECT_EQ(progress.state(), transfer_finished);
        EXPECT_STREQ(progress.button_text(), "Done");
        server.stop();
        if (c.check_object != nullptr) {
            EXPECT_EQ(sim->value(c.check_object), c.version);
            // The running bank stays until a reset.
            EXPECT_EQ(sim->value(std::string(c.check_object).replace(12, 1, "5")), "i:1");
        }
    }
    EXPECT_EQ(device("transfer-config"), config_text);
    EXPECT_EQ(read_text(dir / "got.cfg"), config_text);
    EXPECT_EQ(read_text(dir / "FAE415001.pkg").rfind("R4150 FAE package", 0), 0u);
    EXPECT_TRUE(presenter.shown.empty()) << presenter.texts().front();
}

// What the device reports when it cannot do the transfer, and that nothing changed.
TEST_F(DeviceTransferTest, DeviceFailureCodes) {
    write_file(dir / "bad.cfg", "hostname without header\r\n");
    write_file(dir / "t3.run", "R4150 FIRMWARE T3 V1.00.01\n");
    write_file(dir / "plain.run", "no header\n");
    const std::string before = device("transfer-config");
    struct Case {
        const char* file;
        int type;
        int slot;
        const char* setup; // a control command before the start, or ""
        const char* text;
    } cases[] = {
        {"missing.cfg", 2, 0, "", "R4150 Status: file-not-found"},
        {"bad.cfg", 2, 0, "", "R4150 Status: unmatch-config"},
        {"t3.run", 12, 1, "", "R4150 Status: unmatch-firmware"},
        {"plain.run", 1, 0, "", "R4150 Status: fail-to-verify-signature"},
        // The device's status is one byte: 257 is no "ok".
        {"bad.cfg", 2, 0, "transfer-force 257", "R4150 Status: unknown response"},
        // The device keeps the previous "ok" for a while before it takes the request in.
        {"bad.cfg", 2, 0, "transfer-lag 3", "R4150 Status: unmatch-config"},
        // Nobody serves the port the device sends to (last: it stays).
        {"bad.cfg", 2, 0, "transfer-port 9", "R4150 Status: unableToReachServer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (*c.setup != 0) {
            device(c.setup);
        }
        ASSERT_EQ(start(dir / c.file, c.type, c.slot), 0);
        const TransferProgress progress = watch();
        EXPECT_EQ(progress.status_text(), c.text);
        EXPECT_EQ(progress.state(), transfer_failed);
        server.stop();
    }
    EXPECT_EQ(device("transfer-config"), before);
    EXPECT_EQ(sim->value("R.1.2.2.1.1.4.1"), "s:V2.15.02");
}

// Refusals before the device is told anything, a failed trigger that stops the server, and
// what a start sends to a new controller and to one before 2.15.01.
TEST_F(DeviceTransferTest, StartRefusalsFailedTriggerAndProtocolObjects) {
    const std::string name56 = std::string(52, 'n') + ".cfg";
    write_file(dir / name56, config_text);
    write_file(dir / (name56 + "x"), config_text);

    EXPECT_EQ(start(dir / (name56 + "x"), 2), 1);
    EXPECT_EQ(presenter.last().text,
              "Error\r\n\r\n\r\nThe filename is too large.  The limit is 56 characters in length.");
    EXPECT_TRUE(sim->requests().empty());

    // A port the server cannot bind stops the transfer before any request.
    std::uint16_t taken_port = 0;
    const int taken = test::bind_udp(INADDR_ANY, taken_port);
    std::swap(port, taken_port); // the server is to use a port another socket holds
    EXPECT_EQ(start(dir / name56, 2), 1);
    EXPECT_EQ(presenter.last().routine, test::Routine::internal_error);
    EXPECT_EQ(presenter.last().text.rfind("TFTP Server bind failed.", 0), 0u);
    EXPECT_TRUE(sim->requests().empty());
    std::swap(port, taken_port);
    close(taken);

    // A refused trigger, and a protocol SET that times out: the server is stopped again.
    struct Case {
        std::function<bool()> fault;
        const char* text;
    } faults[] = {
        {[&] { return sim->fail_prefix("R.1.15.6", 10); },
         "Error\r\n\r\n\r\nError starting \"Title\" file transfer."},
        {[&] { return sim->drop_next(4); },
         "Error\r\n\r\n\r\nError setting file transfer protocol TFTP | SFTP."},
    };
    for (const Case& f : faults) {
        SCOPED_TRACE(f.text);
        presenter.clear();
        ASSERT_TRUE(f.fault());
        EXPECT_EQ(start(dir / name56, 2), 1);
        EXPECT_FALSE(server.running());
        EXPECT_EQ(presenter.last().text, f.text);
        EXPECT_NE(presenter.texts().front().find("performing file transfer"), std::string::npos);
        sim->clear_faults();
    }
    EXPECT_EQ(device("transfer-config").find("lab-7"), std::string::npos);

    // 56 characters go through, with the address as an IpAddress.
    presenter.clear();
    ASSERT_EQ(start(dir / name56, 2), 0);
    EXPECT_TRUE(sent_set_with(".1.15.1.0=a:127.0.0.1,"));
    EXPECT_TRUE(sent_set_with(".1.15.3.0=s:" + name56 + ","));
    EXPECT_TRUE(sent_set_with(".1.15.11.0=i:1"));
    EXPECT_EQ(watch().status_text(), "R4150 Status: ok");
    server.stop();

    // A controller before 2.15.01 knows no protocol objects: only the trigger is sent.
    ASSERT_TRUE(sim->set_value("R.1.2.1.3.0", "s: V2.14.09"));
    ASSERT_EQ(get_controllers(*box), 0);
    ASSERT_EQ(start(dir / name56, 2), 0);
    for (const std::string& r : sim->requests())
        EXPECT_EQ(r.find(".1.15.11.0"), std::string::npos) << r;
    EXPECT_EQ(watch().status_text(), "R4150 Status: ok");
}

// SFTP: the user and the enciphered password reach the device, which deciphers them with
// its key; a wrong password is refused ("other"), a right one finds no SFTP server.
TEST_F(DeviceTransferTest, SftpCredentials) {
    settings.mode = ftc_remote_sftp;
    settings.remote_host = "127.0.0.1";
    settings.sftp_username = "fae";
    for (auto [password, text] : {std::pair{"wrong", "R4150 Status: other"},
                                  std::pair{"s3cret", "R4150 Status: unableToReachServer"}}) {
        settings.sftp_password = password;
        ASSERT_EQ(start("cfg/r4150.cfg", 2), 0);
        EXPECT_FALSE(started.internal_server);
        EXPECT_TRUE(sent_set_with(".1.15.11.0=i:2,") && sent_set_with(".1.15.12.0=s:fae,"));
        EXPECT_TRUE(sent_set_with(".1.15.3.0=s:cfg/r4150.cfg,"));
        EXPECT_EQ(watch().status_text(), text);
    }
}

// The poll's own failures: time-out, error-status, wrong type, a missing column.
TEST_F(DeviceTransferTest, PollFailures) {
    const std::function<void()> faults[] = {
        [&] { sim->drop_next(2); },
        [&] { sim->fail_prefix("R.1.15.8", 5); },
        [&] { sim->wrong_type("R.1.15.8.0"); },
        [&] { sim->omit("R.1.15.7.0"); },
    };
    for (const auto& fault : faults) {
        presenter.clear();
        fault();
        const TransferPoll poll = file_transfer_poll(*box);
        EXPECT_EQ(poll.state, transfer_failed);
        EXPECT_EQ(poll.text, nullptr);
        ASSERT_FALSE(presenter.shown.empty());
        EXPECT_NE(presenter.texts().front().find("performing file transfer"), std::string::npos);
        sim->clear_faults();
    }
}

// The note after an unchanged percentage, with the limit in minutes, and Cancel twice.
TEST_F(DeviceTransferTest, NoteAndCancel) {
    write_file(dir / "main.run", "R4150 FIRMWARE XCU V2.16.00\n");
    device("transfer-hold 40");
    ASSERT_EQ(start(dir / "main.run", 1), 0);
    TransferProgress progress(*box, clock, transfer_kind(TransferKind::mainboard_firmware),
                              started.prior_status);
    for (int polls = 0; polls < 16; ++polls) {
        EXPECT_FALSE(progress.poll().done);
        EXPECT_EQ(progress.note_text(), "") << polls;
        clock.advance(TransferProgress::poll_interval);
    }
    progress.poll();
    EXPECT_EQ(progress.note_text(), "Note: This step may take up to 30 minutes. (00:32)  ");
    EXPECT_FALSE(progress.press());
    EXPECT_TRUE(progress.warning_shown());
    EXPECT_TRUE(progress.press());
}

TEST(TransferRules, RootFolderTakesWholeComponents) {
    struct Case {
        const char* root;
        const char* path;
        std::optional<std::string> name;
    } cases[] = {
        {"/srv/tftp", "/srv/tftp2/x.cfg", std::nullopt},
        {"/srv/tftp", "/srv/TFTP/sub/x.cfg", "sub/x.cfg"},
        {"/srv/tftp/", "/srv/tftp/x.cfg", "x.cfg"},
        {"/srv/tftp", "/srv/tftp", std::nullopt},
        {"", "/home/op/x.cfg", "/home/op/x.cfg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(name_under_root(c.root, c.path), c.name) << c.root << " " << c.path;
    }
}

} // namespace
} // namespace vornex
