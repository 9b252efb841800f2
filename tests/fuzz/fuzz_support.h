#pragma once
// What the fuzz targets share: a presenter that answers every dialog without showing it,
// and the scratch folder their inputs are written to when the code under test reads files.

#include "base/presenter.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>

namespace vornex::fuzz {

// Error boxes answer OK (an import goes on past a warning); questions answer Cancel, the
// safe choice.
class QuietPresenter : public Presenter {
public:
    int show_error(OwnerWindow, const std::string&) override { return dialog_ok; }
    int show_confirm(OwnerWindow, const std::string&) override { return dialog_cancel; }
    void show_internal_error(const std::string&) override {}
    void show_note(const std::string&) override {}
};

// A folder of this process's own under the temporary folder, made on first use and removed
// at exit.
inline const std::filesystem::path& scratch() {
    static const struct Folder {
        Folder()
            : path(std::filesystem::temp_directory_path() /
                   ("vornex-fuzz-" + std::to_string(getpid()))) {
            std::filesystem::create_directories(path);
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        std::filesystem::path path;
    } folder;
    return folder.path;
}

inline std::filesystem::path write_input(const char* name, std::string_view bytes) {
    const auto path = scratch() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
    return path;
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace vornex::fuzz
