#include "base/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vornex {

namespace {

constexpr std::size_t error_text_limit = 80;

std::FILE* open_exclusive(const std::filesystem::path& path, FileAccess access) {
#ifdef _WIN32
    (void)access;
    return _wfopen(path.c_str(), L"wbx");
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          access == FileAccess::owner_only ? 0600 : 0666);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (fd >= 0 && file == nullptr) {
        ::close(fd);
    }
    return file;
#endif
}

std::string cut(std::string text) {
    if (text.size() > error_text_limit) {
        text.resize(error_text_limit);
    }
    return text;
}

} // namespace

bool flush_to_disk(std::FILE* file) {
    if (std::fflush(file) != 0) {
        return false;
    }
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return ::fsync(fileno(file)) == 0;
#endif
}

std::string error_number_text(int error) {
    const char* text = error != 0 ? std::strerror(error) : nullptr;
    if (text == nullptr || *text == '\0') {
        return "Error code " + std::to_string(error);
    }
    return cut(text);
}

std::string display_path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::FILE* create_beside(const std::filesystem::path& path, std::filesystem::path& temporary,
                         FileAccess access) {
    std::random_device random;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temporary = path;
        temporary += suffix;
        errno = 0;
        file = open_exclusive(temporary, access);
        if (file == nullptr && errno != EEXIST) {
            break;
        }
    }
    return file;
}

std::optional<std::string> rename_over(const std::filesystem::path& temporary,
                                       const std::filesystem::path& path, FileAccess access) {
    std::error_code ec;
    const auto previous = std::filesystem::status(path, ec);
    if (access == FileAccess::keep && !ec && std::filesystem::exists(previous)) {
        std::filesystem::permissions(temporary, previous.permissions(),
                                     std::filesystem::perm_options::replace, ec);
    }
    ec.clear();
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        return cut(ec.message());
    }
    return std::nullopt;
}

std::optional<std::string> replace_file(const std::filesystem::path& path, std::string_view bytes,
                                        FileAccess access) {
    std::filesystem::path temporary;
    std::FILE* file = create_beside(path, temporary, access);
    if (file == nullptr) {
        return error_number_text(errno);
    }

    errno = 0;
    bool ok =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && flush_to_disk(file);
    int error = errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    std::optional<std::string> renamed;
    if (ok) {
        renamed = rename_over(temporary, path, access);
    }
    if (!ok || renamed) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return ok ? renamed : error_number_text(error);
    }
    return std::nullopt;
}

} // namespace vornex
