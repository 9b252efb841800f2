#pragma once
// The endpoint index worked out without any window system: the sorted list of every name
// an endpoint has (the operator's identifiers for the displayed map, the identifiers the
// device stores for its ports) and the Next/Prev search over it, with its "end" and "wrap".

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vornex {

struct Card;
struct HsEntry;
struct CommentStore;

struct IndexRow {
    std::string text;
    HsEntry* node = nullptr;
};

// The rows for `cards`, sorted alphabetically ignoring case (equal texts keep tree order).
// An inner node is listed by its device-stored identifier unless that is empty or blank; a
// leaf by its identifier in the displayed map of `comments`, once for a run of neighbouring
// siblings that share it.
std::vector<IndexRow> fill_endpoint_index(const std::vector<std::unique_ptr<Card>>& cards,
                                          const CommentStore* comments);

// The longest search text the box takes.
inline constexpr int index_search_limit = 18;

enum class IndexStatus { none, wrap, end };

struct IndexSearchResult {
    int row = -1; // the row to select and focus; -1 leaves the list as it is
    IndexStatus status = IndexStatus::none;
    bool beep = false;     // ran off the end
    bool searched = false; // false when there was nothing to search with
};

// The search's memory between presses of Next and Prev.
class IndexSearch {
public:
    // The search text changed: the next search tests the focused row itself first.
    void edited();
    // Next (+1) or Prev (-1) pressed, or Enter typed in the box (+1), with `focused` the
    // list's focused row (-1 for none).
    IndexSearchResult search(const std::vector<IndexRow>& rows, int focused, std::string_view text,
                             bool substring, int direction);

private:
    int direction_ = 1;
    bool test_current_first_ = true;
    bool wrap_armed_ = false;
};

// Whether a row's text matches the search text, ignoring case: at its start, or anywhere
// in it in substring mode. Rows of 80 characters and more never match.
bool index_row_matches(std::string_view row, std::string_view text, bool substring);

} // namespace vornex
