#pragma once
// Replacing a file the operator cares about without ever leaving a half-written file as the
// only copy: the new contents go to a temporary file beside the target, which is flushed to
// disk and then renamed over the target. The target keeps its permissions, unless the file
// holds secrets.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vornex {

// Who may use the new file: `keep` gives it the previous file's permissions (a first file the
// usual ones); `owner_only` lets only its owner read and write it, from the moment the
// temporary file exists, for files that hold secrets.
enum class FileAccess { keep, owner_only };

// nullopt on success; otherwise the C library's or the system's text for the error (at most
// 80 characters, or "Error code %d"), with the previous file untouched and no temporary left.
std::optional<std::string> replace_file(const std::filesystem::path& path, std::string_view bytes,
                                        FileAccess access = FileAccess::keep);

// The two halves of replace_file, for a writer that reports each step in its own words or
// keeps an unfinished file under its temporary name. First a new file beside `path`, named
// `path` followed by ".XXXXXXXX.tmp" and open for writing; null with errno set when it cannot
// be created.
std::FILE* create_beside(const std::filesystem::path& path, std::filesystem::path& temporary,
                         FileAccess access = FileAccess::keep);
// Its buffered bytes written and on the disk: a rename that a crash or a power loss outlives
// must not put a short file in the place of a whole one. False with errno set.
bool flush_to_disk(std::FILE* file);
// Then, once it is written, flushed to disk and closed, `temporary` renamed over `path`, which
// keeps its permissions unless `access` is owner_only: nullopt, or the system's text for the error
// (`temporary` is then left).
std::optional<std::string> rename_over(const std::filesystem::path& temporary,
                                       const std::filesystem::path& path,
                                       FileAccess access = FileAccess::keep);

// The C library's text for an error number, cut to 80 characters, or "Error code %d".
std::string error_number_text(int error);

// A path as the program's messages show it (UTF-8).
std::string display_path(const std::filesystem::path& path);

} // namespace vornex
