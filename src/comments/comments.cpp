#include "comments/comments.h"

#include "comments/comment_lock.h"
#include "model/card.h"
#include "model/hs_entry.h"

#include <algorithm>
#include <new>

namespace vornex {

namespace {

// The comment file keeps every text between double quotes without escapes and one record
// per line, so a double quote or a line break inside a text would cost the whole record at
// the next reading. Such characters become an apostrophe or a blank.
std::string fitted(std::string_view text, std::size_t max_length) {
    std::string result(text.substr(0, max_length));
    for (char& c : result) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"') {
            c = '\'';
        } else if (byte < 0x20 || byte == 0x7f) {
            c = ' ';
        }
    }
    return result;
}

// Assigns and reports whether anything changed.
bool assign(std::string& field, std::string_view text, std::size_t max_length) {
    std::string value = fitted(text, max_length);
    if (field == value) {
        return false;
    }
    field = std::move(value);
    return true;
}

bool assign(bool& field, bool value) {
    if (field == value) {
        return false;
    }
    field = value;
    return true;
}

// Identifier 1 stood for every map; each map keeps it as its own from now on.
bool make_map_specific(endpoint_info& info) {
    if (info.map_specific) {
        return false;
    }
    for (std::size_t map = 1; map < map_count; ++map) {
        info.identifiers[map] = info.identifiers[0];
    }
    info.map_specific = true;
    return true;
}

endpoint_info* find(CommentNode* node, const EndpointKey& key) {
    for (std::size_t level = 0; level < key.size(); ++level) {
        // Siblings ascend, so the search at a level ends at the first byte not below the key's.
        while (node != nullptr && node->byte < key[level]) {
            node = node->next.get();
        }
        if (node == nullptr || node->byte != key[level]) {
            return nullptr;
        }
        if (level + 1 < key.size()) {
            node = node->child.get();
        }
    }
    return node->info.get();
}

// The key's information, created empty with the nodes it needs; null when memory ran out.
endpoint_info* find_or_create(CommentStore& box, const EndpointKey& key) {
    std::unique_ptr<CommentNode>* link = &box.comments;
    CommentNode* node = nullptr;
    for (std::size_t level = 0; level < key.size(); ++level) {
        while (*link != nullptr && (*link)->byte < key[level]) {
            link = &(*link)->next;
        }
        if (*link == nullptr || (*link)->byte != key[level]) {
            std::unique_ptr<CommentNode> created(new (std::nothrow) CommentNode);
            if (created == nullptr) {
                return nullptr;
            }
            created->byte = key[level];
            created->next = std::move(*link);
            *link = std::move(created);
        }
        node = link->get();
        link = &node->child;
    }
    if (node->info == nullptr) {
        node->info.reset(new (std::nothrow) endpoint_info);
    }
    return node->info.get();
}

// The index of the displayed map's identifier; identifier 1 outside maps 1 to 4.
std::size_t displayed_index(const CommentStore& box) {
    return box.comment_map() >= 1 && box.comment_map() <= static_cast<int>(map_count)
               ? static_cast<std::size_t>(box.comment_map() - 1)
               : 0;
}

void walk(CommentNode* node, EndpointKey& key, std::size_t level, const CommentVisit& visit) {
    for (; node != nullptr; node = node->next.get()) {
        key[level] = node->byte;
        if (node->info != nullptr) {
            visit(key, *node->info);
        }
        if (level + 1 < key.size()) {
            walk(node->child.get(), key, level + 1, visit);
        }
    }
}

bool valid_map_index(int index) {
    return index >= 0 && index < static_cast<int>(map_count);
}

} // namespace

bool comment_text_acceptable(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte <= 0x7E && c != '"' && c != '\\';
    });
}

bool endpoint_info::empty() const {
    for (const std::string& identifier : identifiers) {
        if (!identifier.empty()) {
            return false;
        }
    }
    return comment.empty();
}

EndpointKey endpoint_key(const HsEntry& endpoint) {
    const EndpointAddress& a = endpoint.address;
    const std::uint8_t model = endpoint.card != nullptr ? endpoint.card->installed_model : 0;
    return {a[0], model, a[1], a[2], a[3], a[4], a[5]};
}

const endpoint_info* comment_find(const CommentStore& box, const EndpointKey& key) {
    return find(box.comments.get(), key);
}

int comment_store(CommentStore& box, const EndpointKey& key, const endpoint_info& info) {
    endpoint_info* stored = find_or_create(box, key);
    if (stored == nullptr) {
        return 1;
    }
    bool changed = assign(stored->map_specific, info.map_specific);
    for (std::size_t map = 0; map < map_count; ++map) {
        changed |= assign(stored->identifiers[map], info.identifiers[map], identifier_max_length);
    }
    changed |= assign(stored->comment, info.comment, comment_max_length);
    if (changed) {
        box.comments_dirty = true;
    }
    return 0;
}

std::string endpoint_identifier(const CommentStore* box, const HsEntry& endpoint) {
    if (box == nullptr) {
        return {};
    }
    const endpoint_info* info = comment_find(*box, endpoint_key(endpoint));
    if (info == nullptr) {
        return {};
    }
    return info->identifiers[info->map_specific ? displayed_index(*box) : 0];
}

int comment_set_map_identifier(CommentStore& box, const HsEntry& endpoint, std::string_view text) {
    const EndpointKey key = endpoint_key(endpoint);
    endpoint_info* info = find(box.comments.get(), key);
    if (info == nullptr) {
        if (text.find_first_not_of(' ') == std::string_view::npos) {
            return 0;
        }
        info = find_or_create(box, key);
        if (info == nullptr) {
            return 1;
        }
        info->map_specific = true;
    }
    bool changed = make_map_specific(*info);
    changed |= assign(info->identifiers[displayed_index(box)], text, identifier_max_length);
    if (changed) {
        box.comments_dirty = true;
    }
    return 0;
}

void comment_walk(CommentNode* tree, const CommentVisit& visit) {
    EndpointKey key{};
    walk(tree, key, 0, visit);
}

void comment_clear_map(CommentStore& box, int map_index, bool clear_comments) {
    if (!valid_map_index(map_index)) {
        return;
    }
    comment_walk(box.comments.get(), [&](const EndpointKey&, endpoint_info& info) {
        info.identifiers[static_cast<std::size_t>(map_index)].clear();
        if (clear_comments) {
            info.comment.clear();
        }
    });
}

void comment_copy_map(CommentStore& box, int from_index, int to_index) {
    if (!valid_map_index(from_index) || !valid_map_index(to_index)) {
        return;
    }
    comment_walk(box.comments.get(), [&](const EndpointKey&, endpoint_info& info) {
        make_map_specific(info);
        info.identifiers[static_cast<std::size_t>(to_index)] =
            info.identifiers[static_cast<std::size_t>(from_index)];
    });
}

CommentStore::~CommentStore() {
    comment_lock_release(*this);
    comment_tree_free(*this);
}

void comment_tree_free(CommentStore& box) {
    box.comments.reset();
}

} // namespace vornex
