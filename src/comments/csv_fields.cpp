#include "comments/csv_fields.h"

namespace vornex {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

void trim_ends(std::string& field) {
    auto trimmed = [](char c) { return c == '"' || is_blank(c); };
    std::size_t end = field.size();
    while (end > 0 && trimmed(field[end - 1])) {
        --end;
    }
    std::size_t begin = 0;
    while (begin < end && trimmed(field[begin])) {
        ++begin;
    }
    field = field.substr(begin, end - begin);
}

} // namespace

std::vector<std::string> csv_split_fields(std::string_view line, std::size_t max_fields,
                                          bool trim) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    bool at_start = true;
    for (const char c : line) {
        if (fields.size() >= max_fields) {
            break;
        }
        if (c == '\r') {
            continue;
        }
        if (at_start && is_blank(c)) {
            continue;
        }
        at_start = false;
        if (c == '\n' || (c == ',' && !quoted)) {
            if (trim) {
                trim_ends(field);
            }
            fields.push_back(std::move(field));
            field.clear();
            at_start = true;
            if (c == '\n') {
                break;
            }
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
        }
        field += c;
    }
    return fields;
}

} // namespace vornex
