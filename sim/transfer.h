#pragma once
// The device's file transfers (R.1.15.*): the objects a manager writes to start one, the
// device's own TFTP client that really fetches or pushes the file, and the status and
// percentage the device shows while it works. The client is non-blocking and runs inside
// the agent's select loop; the status sequence advances with the manager's status reads,
// not with time, so that every run shows the same steps.

#include "device.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vornex::sim {

class TftpClient;

struct SftpAccount {
    std::string user;
    std::string password;
};

class Transfer {
public:
    // Defines the transfer objects in the device's store (the protocol objects only when the
    // controller firmware is 2.15.01 or later).
    Transfer(Device& device, int server_port, std::optional<SftpAccount> sftp);
    ~Transfer();

    // After a committed SET of `name`.
    void written(const Oid& name);
    // Before a GET of `name` is answered: a status read advances the sequence.
    void reading(const Oid& name);

    // The client's socket (-1 when none is open), and the loop's calls.
    int fd() const;
    void readable();
    void tick();

    // Control-channel commands whose names begin with "transfer-".
    std::string command(const std::string& cmd, const std::string& arg1, const std::string& arg2);

    const std::string& running_config() const { return running_config_; }

private:
    struct Step {
        int code;
        bool transmit; // the step lasts until the client has finished
    };

    Oid r(std::initializer_list<std::uint32_t> suffix) const;
    std::int64_t integer(std::initializer_list<std::uint32_t> suffix) const;
    std::string text(std::initializer_list<std::uint32_t> suffix) const;
    std::string sys_name_text() const;
    void show(int code, int percent);
    void trigger();
    void fail(int code);
    bool start_client(bool fetch);
    void enter(std::size_t step);
    // The verdict on what the client brought or took; 1 when the transfer may go on.
    int check_transmitted();
    void finish();
    std::string fae_package() const;
    int firmware_check(const std::string& data);
    std::vector<int> firmware_boards() const;

    Device& device_;
    int server_port_;
    std::optional<SftpAccount> sftp_;
    std::string running_config_;

    std::unique_ptr<TftpClient> client_;
    bool running_ = false;
    std::vector<Step> steps_;
    std::size_t step_ = 0;
    int reads_in_step_ = 0;
    int type_ = 0;
    int slot_ = 0;
    std::string version_; // the firmware version in the file, once checked
    std::string received_;
    bool ipv6_last_ = false; // which server address was written last
    int sftp_verdict_ = 0;   // an SFTP transfer's final code

    // Control-channel behaviour.
    std::optional<int> hold_percent_;
    std::optional<int> forced_code_;
    int busy_reads_ = 0; // reads that show anotherOperationInProgress
    int lag_next_ = 0;   // the next transfer shows its old status for this many reads
    int lag_ = 0;
};

} // namespace vornex::sim
