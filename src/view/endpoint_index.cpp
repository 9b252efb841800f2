#include "view/endpoint_index.h"

#include "comments/comments.h"
#include "model/card.h"

#include <algorithm>
#include <cctype>

namespace vornex {

namespace {

// Rows of this length and more take no part in a search.
constexpr std::size_t searchable_row_limit = 80;

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lower(x) == lower(y); });
}

bool is_blank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

class Filler {
public:
    Filler(const CommentStore* comments, std::vector<IndexRow>& rows)
        : comments_(comments), rows_(rows) {}

    // `last_leaf` is the text of the last leaf added in this sibling run.
    void walk(const EndpointList& list) {
        std::string last_leaf;
        for (const auto& node : list) {
            if (!node->is_leaf()) {
                if (node->identifier && !is_blank(*node->identifier)) {
                    rows_.push_back({*node->identifier, node.get()});
                }
                walk(node->children);
                last_leaf.clear();
                continue;
            }
            std::string text = endpoint_identifier(comments_, *node);
            if (text.empty() || text == last_leaf) {
                continue;
            }
            last_leaf = text;
            rows_.push_back({std::move(text), node.get()});
        }
    }

private:
    const CommentStore* comments_;
    std::vector<IndexRow>& rows_;
};

} // namespace

std::vector<IndexRow> fill_endpoint_index(const std::vector<std::unique_ptr<Card>>& cards,
                                          const CommentStore* comments) {
    std::vector<IndexRow> rows;
    Filler filler(comments, rows);
    for (const auto& card : cards) {
        filler.walk(card->endpoints);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const IndexRow& a, const IndexRow& b) {
        return std::lexicographical_compare(a.text.begin(), a.text.end(), b.text.begin(),
                                            b.text.end(),
                                            [](char x, char y) { return lower(x) < lower(y); });
    });
    return rows;
}

bool index_row_matches(std::string_view row, std::string_view text, bool substring) {
    if (row.empty() || row.size() >= searchable_row_limit || row.size() < text.size()) {
        return false;
    }
    const std::size_t last_start = substring ? row.size() - text.size() : 0;
    for (std::size_t start = 0; start <= last_start; ++start) {
        if (equal_ignoring_case(row.substr(start, text.size()), text)) {
            return true;
        }
    }
    return false;
}

void IndexSearch::edited() {
    test_current_first_ = true;
    wrap_armed_ = false;
}

IndexSearchResult IndexSearch::search(const std::vector<IndexRow>& rows, int focused,
                                      std::string_view text, bool substring, int direction) {
    IndexSearchResult result;
    if (direction != direction_) {
        direction_ = direction;
        wrap_armed_ = false;
    }
    const int count = static_cast<int>(rows.size());
    if (count == 0 || text.empty()) {
        return result;
    }
    result.searched = true;
    text = text.substr(0, index_search_limit + 1);
    int row = focused;
    bool test_first = true;
    if (row >= 0 && row < count) {
        test_first = test_current_first_;
        test_current_first_ = false;
    } else {
        row = direction_ < 0 ? count - 1 : 0;
        wrap_armed_ = false;
        test_current_first_ = false;
    }
    for (;;) {
        if (!test_first) {
            row += direction_;
            if (row < 0 || row >= count) {
                if (!wrap_armed_) {
                    break;
                }
                row = direction_ < 0 ? count - 1 : 0;
                wrap_armed_ = false;
                result.status = IndexStatus::wrap;
            }
        }
        test_first = false;
        if (index_row_matches(rows[static_cast<std::size_t>(row)].text, text, substring)) {
            result.row = row;
            return result;
        }
    }
    wrap_armed_ = true;
    result.status = IndexStatus::end;
    result.beep = true;
    return result;
}

} // namespace vornex
