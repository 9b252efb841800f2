#pragma once
// File access of the TFTP server, behind an interface so that tests can make a write come
// up short or a read fail. Files are streamed through a fixed buffer: memory does not grow
// with a file's size.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vornex::tftp {

class TftpReadFile {
public:
    virtual ~TftpReadFile() = default;
    // The file's size, or nullopt when it cannot be read (a folder, an I/O error).
    virtual std::optional<std::int64_t> size() = 0;
    // Fills `data` up to `length` bytes; fewer only at the end of the file; -1 on an error.
    virtual long read(std::uint8_t* data, std::size_t length) = 0;
};

class TftpWriteFile {
public:
    // A file that is not committed is discarded: an abandoned upload never replaces the
    // file the operator had under that name.
    virtual ~TftpWriteFile() = default;
    // False when not every byte could be written.
    virtual bool write(const std::uint8_t* data, std::size_t length) = 0;
    // Puts the received file in place under its name; false if that failed.
    virtual bool commit() = 0;
};

class TftpFiles {
public:
    virtual ~TftpFiles() = default;
    virtual std::unique_ptr<TftpReadFile> open_read(const std::string& path) = 0;
    virtual std::unique_ptr<TftpWriteFile> create(const std::string& path) = 0;
    // Where `path` leads once its links are followed (a part that does not exist yet taken
    // as written); nullopt when that is outside `root`, so that a link under the served
    // folder can neither hand out nor overwrite a file elsewhere.
    virtual std::optional<std::string> resolve(const std::string& root,
                                               const std::string& path) = 0;
};

// The files of the local file system.
class DiskFiles : public TftpFiles {
public:
    std::unique_ptr<TftpReadFile> open_read(const std::string& path) override;
    // An existing file is replaced only when the server may write it, and keeps its mode.
    std::unique_ptr<TftpWriteFile> create(const std::string& path) override;
    std::optional<std::string> resolve(const std::string& root, const std::string& path) override;
};

} // namespace vornex::tftp
