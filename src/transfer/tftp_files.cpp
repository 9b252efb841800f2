#include "transfer/tftp_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vornex::tftp {

namespace fs = std::filesystem;

namespace {

// Reads and writes go through a buffer of this size, so a transfer with small blocks does
// not cost a system call per block.
constexpr std::size_t buffer_size = 64 * 1024;

class DiskReadFile : public TftpReadFile {
public:
    explicit DiskReadFile(int fd) : fd_(fd), buffer_(buffer_size) {}
    ~DiskReadFile() override { ::close(fd_); }

    std::optional<std::int64_t> size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            return std::nullopt;
        }
        return st.st_size;
    }

    long read(std::uint8_t* data, std::size_t length) override {
        std::size_t done = 0;
        while (done < length) {
            if (start_ == end_) {
                const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n < 0) {
                    return -1;
                }
                if (n == 0) {
                    break;
                }
                start_ = 0;
                end_ = static_cast<std::size_t>(n);
            }
            const std::size_t take = std::min(length - done, end_ - start_);
            std::copy_n(buffer_.data() + start_, take, data + done);
            start_ += take;
            done += take;
        }
        return static_cast<long>(done);
    }

private:
    int fd_;
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
    std::size_t end_ = 0;
};

bool write_all(int fd, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// Receives into a hidden file beside the target and renames it over the target only when
// the whole file has arrived.
class DiskWriteFile : public TftpWriteFile {
public:
    DiskWriteFile(int fd, std::string temp, std::string path)
        : fd_(fd), temp_(std::move(temp)), path_(std::move(path)) {
        buffer_.reserve(buffer_size);
    }
    ~DiskWriteFile() override {
        if (fd_ >= 0) {
            ::close(fd_);
            ::unlink(temp_.c_str());
        }
    }

    bool write(const std::uint8_t* data, std::size_t length) override {
        if (failed_) {
            return false;
        }
        if (buffer_.size() + length > buffer_size && !flush()) {
            return false;
        }
        buffer_.insert(buffer_.end(), data, data + length);
        return true;
    }

    bool commit() override {
        if (failed_ || !flush()) {
            return false;
        }
        const int fd = fd_;
        fd_ = -1;
        // On the disk before the rename, so that a crash cannot leave a short file under the
        // target's name.
        const bool synced = ::fsync(fd) == 0;
        if (::close(fd) != 0 || !synced || std::rename(temp_.c_str(), path_.c_str()) != 0) {
            ::unlink(temp_.c_str());
            return false;
        }
        return true;
    }

private:
    bool flush() {
        if (!write_all(fd_, buffer_.data(), buffer_.size())) {
            failed_ = true;
            return false;
        }
        buffer_.clear();
        return true;
    }

    int fd_;
    std::string temp_;
    std::string path_;
    std::vector<std::uint8_t> buffer_;
    bool failed_ = false;
};

} // namespace

std::unique_ptr<TftpReadFile> DiskFiles::open_read(const std::string& path) {
    // Non-blocking, so that a named pipe under the root cannot hold the server thread in
    // open(); anything but a regular file is then refused by size().
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<DiskReadFile>(fd);
}

std::unique_ptr<TftpWriteFile> DiskFiles::create(const std::string& path) {
    // Only a regular file can be replaced, and only one the server may write: the rename
    // would otherwise put a new file over a folder, or over a file kept read-only on
    // purpose (a write permission bit is asked for even where privilege would override it).
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 ||
                   ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)) {
        return nullptr;
    }
    const std::size_t slash = path.rfind('/');
    const std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
    std::string temp = path.substr(0, cut) + "." + path.substr(cut) + ".vornex-part";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return nullptr;
    }
    if (exists && ::fchmod(fd, st.st_mode & 0777) != 0) {
        ::close(fd);
        ::unlink(temp.c_str());
        return nullptr;
    }
    return std::make_unique<DiskWriteFile>(fd, std::move(temp), path);
}

std::optional<std::string> DiskFiles::resolve(const std::string& root, const std::string& path) {
    std::error_code error;
    const fs::path base = fs::weakly_canonical(root, error);
    if (error) {
        return std::nullopt;
    }
    const fs::path target = fs::weakly_canonical(path, error);
    if (error) {
        return std::nullopt;
    }
    const fs::path inside = target.lexically_relative(base);
    if (inside.empty() || *inside.begin() == "..") {
        return std::nullopt;
    }
    return target.string();
}

} // namespace vornex::tftp
