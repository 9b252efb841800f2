#include "comments/comment_format.h"

#include "comments/csv_fields.h"

#include <cctype>
#include <cstdlib>

namespace vornex {

namespace {

inline constexpr std::size_t record_fields = 13;

// The text after the field's opening double quote up to the closing one, at most
// `max_length` characters; empty when the field has no quoted text.
std::string quoted(const std::string& field, std::size_t max_length) {
    std::size_t start = 0;
    while (start < field.size() && std::isspace(static_cast<unsigned char>(field[start]))) {
        ++start;
    }
    if (start == field.size() || field[start] != '"') {
        return {};
    }
    ++start;
    const std::size_t end = field.find('"', start);
    const std::size_t length = (end == std::string::npos ? field.size() : end) - start;
    return field.substr(start, std::min(length, max_length));
}

} // namespace

std::string comment_record_line(const EndpointKey& key, const endpoint_info& info) {
    std::string line;
    for (const std::uint8_t byte : key) {
        line += std::to_string(byte);
        line += ", ";
    }
    line += info.map_specific ? "M, " : "C, ";
    for (const std::string& identifier : info.identifiers) {
        line += '"' + identifier + "\", ";
    }
    line += '"' + info.comment + "\"\r\n";
    return line;
}

std::string comment_file_text(CommentNode* tree) {
    std::string text;
    comment_walk(tree, [&](const EndpointKey& key, endpoint_info& info) {
        if (!info.empty()) {
            text += comment_record_line(key, info);
        }
    });
    return text + "\r\n";
}

bool comment_record_parse(std::string_view line, EndpointKey& key, endpoint_info& info) {
    if (line.starts_with('#')) {
        return false;
    }
    const std::vector<std::string> fields = csv_split_fields(line, record_fields, false);
    if (fields.size() != record_fields) {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<std::uint8_t>(std::strtoll(fields[i].c_str(), nullptr, 10));
    }
    info.map_specific = fields[7].starts_with('M');
    for (std::size_t map = 0; map < map_count; ++map) {
        info.identifiers[map] = quoted(fields[8 + map], identifier_max_length);
    }
    info.comment = quoted(fields[12], comment_max_length);
    return true;
}

int comment_records_read(CommentStore& box, std::FILE* file) {
    char buffer[comment_line_max + 1];
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
        std::string line = buffer;
        // A last line without its line feed is still a whole line.
        if (!line.ends_with('\n') && std::feof(file)) {
            line += '\n';
        }
        EndpointKey key{};
        endpoint_info info;
        if (comment_record_parse(line, key, info) && comment_store(box, key, info) != 0) {
            return 1;
        }
    }
    return 0;
}

} // namespace vornex
