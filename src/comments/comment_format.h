#pragma once
// The comment file (".mec") as text. One line per endpoint with an identifier or comment, in
// ascending key order, then an empty line:
//   slot, model, a1, a2, a3, a4, a5, M|C, "id1", "id2", "id3", "id4", "comment"
// Key bytes are decimal; "M" marks map-specific identifiers. Texts stand between double
// quotes without escapes. Lines end in CRLF on every platform; the reader takes LF too.

#include "comments/comments.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace vornex {

// The reader's line buffer: longer lines are read in pieces, each piece taken as a line.
inline constexpr std::size_t comment_line_max = 1022;

// One record line, CRLF included.
std::string comment_record_line(const EndpointKey& key, const endpoint_info& info);

// The whole file: every record with a non-empty identifier or comment, then the empty line.
std::string comment_file_text(CommentNode* tree);

// Parses one line; false for a "#" line and for a line without 13 fields. Identifiers are
// cut to 18 characters, the comment to 62, key bytes taken modulo 256.
bool comment_record_parse(std::string_view line, EndpointKey& key, endpoint_info& info);

// Reads every record of `file` into the box's tree with comment_store: 0, or 1 when memory
// ran out (the records before are stored).
int comment_records_read(CommentStore& box, std::FILE* file);

} // namespace vornex
