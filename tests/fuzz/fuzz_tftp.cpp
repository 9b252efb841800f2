// The TFTP server's protocol core on any sequence of events. The input is a list of events:
// a byte whose low two bits choose one (0 a tick, 1 and 2 a datagram from client one or
// two, 3 close) and, for a datagram, two length bytes and that many bytes. The served folder
// holds two files of their own sizes in memory; uploads go to memory too.
#include "fuzz_support.h"
#include "transfer/tftp_server.h"

#include <map>

namespace {

using namespace vornex::tftp;

const std::string root = "/srv/tftp/";

class Platform : public TftpPlatform {
public:
    int send_to(const Peer&, std::span<const std::uint8_t> packet) override {
        if (packet.size() < 4 || packet.size() > packet_size)
            __builtin_trap(); // the server only sends whole packets of its own buffer
        return 0;
    }
    int start_timer() override { return 0; }
    void stop_timer() override {}
    void status_changed(const TftpStatus&) override {}
    void error_box(const std::string&) override {}
};

class MemoryFiles : public TftpFiles {
public:
    MemoryFiles() {
        files[root + "small.bin"] = std::string(700, 's');
        files[root + "config.lcf"] = std::string(512 * 3, 'c'); // a whole last block
    }

    std::unique_ptr<TftpReadFile> open_read(const std::string& path) override {
        check(path);
        auto found = files.find(path);
        if (found == files.end())
            return nullptr;
        struct Reader : TftpReadFile {
            explicit Reader(const std::string& text) : text(text) {}
            std::optional<std::int64_t> size() override {
                return static_cast<std::int64_t>(text.size());
            }
            long read(std::uint8_t* data, std::size_t length) override {
                const std::size_t n = text.copy(reinterpret_cast<char*>(data), length, at);
                at += n;
                return static_cast<long>(n);
            }
            const std::string& text;
            std::size_t at = 0;
        };
        return std::make_unique<Reader>(found->second);
    }

    std::unique_ptr<TftpWriteFile> create(const std::string& path) override {
        check(path);
        struct Writer : TftpWriteFile {
            bool write(const std::uint8_t* data, std::size_t length) override {
                text.append(reinterpret_cast<const char*>(data), length);
                return text.size() <= 100'000; // then the disk is full
            }
            bool commit() override { return true; }
            std::string text;
        };
        return std::make_unique<Writer>();
    }

    // Lexically, as the served folder has no links.
    std::optional<std::string> resolve(const std::string& base, const std::string& path) override {
        std::string normal = std::filesystem::path(path).lexically_normal().string();
        return normal.starts_with(base) ? std::optional(std::move(normal)) : std::nullopt;
    }

    std::map<std::string, std::string> files;

private:
    // Nothing outside the served folder is ever opened.
    static void check(const std::string& path) {
        if (path.rfind(root, 0) != 0 || path.find("/../") != std::string::npos)
            __builtin_trap();
    }
};

Peer peer(std::uint8_t last) {
    Peer p;
    p.length = 16;
    p.bytes[0] = 2; // AF_INET, port 0, 127.0.0.last
    p.bytes[4] = 127;
    p.bytes[7] = last;
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Platform platform;
    MemoryFiles files;
    TftpServer server(root, platform, files);
    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t event = data[at++] & 3;
        if (event == 0) {
            server.tick();
        } else if (event == 3) {
            server.close();
        } else {
            // Two length bytes, up to a little more than the largest packet.
            std::size_t length = 0;
            for (int i = 0; i < 2 && at < size; ++i)
                length = length << 8 | data[at++];
            const std::size_t taken = std::min(length % (packet_size + 100), size - at);
            server.tftp_server({data + at, taken}, peer(static_cast<std::uint8_t>(event)));
            at += taken;
        }
    }
    server.close();
    return 0;
}
