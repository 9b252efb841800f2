#pragma once
// What the comment file tests share: a scratch folder, whole-file reads and writes, and a
// chooser that picks files from a script.

#include "comments/comment_file.h"
#include "config/device_config.h"

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>

namespace vornex::test {

// A fresh folder under the system's temporary folder, removed with everything in it. It is
// open to every user, so a test may look at it with fewer rights than the owner's.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vornex-cmt-XXXXXX");
        path_ = ::mkdtemp(pattern.data());
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

inline std::string read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Answers comment_file_browse with the next path of the script (nullopt or an empty script:
// the operator cancels).
class ScriptedChooser : public CommentFileChooser {
public:
    std::deque<std::optional<std::filesystem::path>> picks;
    int browsed = 0;

    int comment_file_browse(OwnerWindow, device_config& config) override {
        ++browsed;
        if (picks.empty() || !picks.front()) {
            if (!picks.empty()) {
                picks.pop_front();
            }
            return 1;
        }
        config.comment_file = *picks.front();
        picks.pop_front();
        return 0;
    }
};

} // namespace vornex::test
