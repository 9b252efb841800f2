#pragma once
// Files for tests: a scratch folder removed with everything in it, and whole-file reads and
// writes, as text or as bytes.

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace vornex::test {

// A fresh folder under the system's temporary folder. It is readable by every user, so a
// test may look at it with fewer rights than the owner's.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = std::filesystem::temp_directory_path() / "vornex-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::filesystem::filesystem_error(
                "mkdtemp", pattern, std::error_code(errno, std::generic_category()));
        path_ = pattern;
        std::filesystem::permissions(path_, std::filesystem::perms::all &
                                                ~std::filesystem::perms::others_write &
                                                ~std::filesystem::perms::group_write);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
    const std::string text = read_text(path);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

inline void write_file(const std::filesystem::path& path, std::string_view text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

inline void write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    write_file(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace vornex::test
