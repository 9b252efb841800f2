// csv_split_fields on any line. The first byte chooses the field limit (low six bits) and
// trimming (bit 6); the rest is the line.
#include "comments/csv_fields.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t max_fields = data[0] & 0x3f;
    const bool trim = (data[0] & 0x40) != 0;
    const std::string_view line = vornex::fuzz::as_text(data + 1, size - 1);
    const auto fields = vornex::csv_split_fields(line, max_fields, trim);
    // Fields are pieces of the line: never more than asked, never more bytes than it has.
    std::size_t bytes = 0;
    for (const auto& field : fields)
        bytes += field.size();
    if (fields.size() > max_fields || bytes > line.size())
        __builtin_trap();
    return 0;
}
