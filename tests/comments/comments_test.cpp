// The comment tree, the store and the identifiers the cross-connect operations use.

#include "comment_test_util.h"
#include "comments/comments.h"
#include "device/box.h"
#include "model/card.h"
#include "model/hs_entry.h"
#include "recording_presenter.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace vornex {
namespace {

using test::make_info;

class CommentsTest : public ::testing::Test {
protected:
    test::RecordingPresenter presenter;
    Box box{presenter};
    Card card;
    HsEntry leaf; // on `card`

    void SetUp() override {
        card.slot = 3;
        card.installed_model = 17;
        box.displayed_map = 2;
        leaf.address = {3, 2, 100, 100, 100, 18};
        leaf.card = &card;
    }

    std::vector<EndpointKey> walked_keys() {
        std::vector<EndpointKey> keys;
        comment_walk(box.comments.get(),
                     [&](const EndpointKey& key, endpoint_info&) { keys.push_back(key); });
        return keys;
    }
};

TEST_F(CommentsTest, KeyTakesSlotModelAndAddress) {
    EXPECT_EQ(endpoint_key(leaf), (EndpointKey{3, 17, 2, 100, 100, 100, 18}));
    HsEntry orphan;
    orphan.address = leaf.address;
    EXPECT_EQ(endpoint_key(orphan), (EndpointKey{3, 0, 2, 100, 100, 100, 18}));
}

TEST_F(CommentsTest, StoreFindsWhatItStoredAndWalksInAscendingOrder) {
    // Keys that differ at every level, stored out of order, so that a sibling inserted in
    // front of, between and after others is reached and every level's search stops right.
    const std::vector<EndpointKey> keys = {
        {3, 17, 2, 100, 100, 100, 18},  {3, 17, 2, 100, 100, 100, 2}, {1, 5, 1, 1, 1, 1, 1},
        {3, 17, 1, 100, 100, 100, 9},   {9, 0, 0, 0, 0, 0, 0},        {3, 16, 2, 100, 100, 100, 18},
        {3, 17, 2, 100, 100, 100, 255}, {0, 0, 0, 0, 0, 0, 0}};
    for (std::size_t i = 0; i < keys.size(); ++i)
        ASSERT_EQ(comment_store(box, keys[i], make_info(false, {"id" + std::to_string(i)}, "")), 0);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const endpoint_info* found = comment_find(box, keys[i]);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->identifiers[0], "id" + std::to_string(i));
    }
    EXPECT_EQ(comment_find(box, {3, 17, 2, 100, 100, 100, 19}), nullptr);
    EXPECT_EQ(comment_find(box, {3, 17, 2, 100, 100, 99, 18}), nullptr);
    EXPECT_EQ(comment_find(box, {10, 0, 0, 0, 0, 0, 0}), nullptr);

    std::vector<EndpointKey> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(walked_keys(), sorted);
}

TEST_F(CommentsTest, StoreMarksDirtyOnlyWhenAFieldChanges) {
    const EndpointKey key{3, 17, 2, 100, 100, 100, 18};
    const endpoint_info first = make_info(true, {"a", "b", "", ""}, "note");
    // Whether storing `info` under `at` marked the comments changed.
    const auto store_changes = [&](const EndpointKey& at, const endpoint_info& info) {
        box.comments_dirty = false;
        EXPECT_EQ(comment_store(box, at, info), 0);
        return box.comments_dirty;
    };
    EXPECT_TRUE(store_changes(key, first));
    EXPECT_FALSE(store_changes(key, first));
    endpoint_info changed = first;
    changed.identifiers[3] = "d";
    EXPECT_TRUE(store_changes(key, changed));
    EXPECT_EQ(*comment_find(box, key), changed);
    // A new key with nothing in it creates empty information, which is no change.
    EXPECT_FALSE(store_changes({1, 1, 1, 1, 1, 1, 1}, endpoint_info{}));
    ASSERT_NE(comment_find(box, {1, 1, 1, 1, 1, 1, 1}), nullptr);
}

TEST_F(CommentsTest, StoredTextsFitTheFile) {
    const EndpointKey key{3, 17, 2, 100, 100, 100, 18};
    ASSERT_EQ(comment_store(box, key,
                            make_info(false, {std::string(25, 'x'), "a\"b", "tab\there", ""},
                                      std::string(70, 'c'))),
              0);
    EXPECT_EQ(
        test::stored(box, key),
        make_info(false, {std::string(18, 'x'), "a'b", "tab here", ""}, std::string(62, 'c')));
}

TEST_F(CommentsTest, IdentifierShownDependsOnTheDisplayedMap) {
    EXPECT_EQ(endpoint_identifier(&box, leaf), "");
    ASSERT_EQ(comment_store(box, endpoint_key(leaf),
                            make_info(false, {"one", "two", "three", "four"}, "")),
              0);
    EXPECT_EQ(endpoint_identifier(&box, leaf), "one");
    EXPECT_EQ(endpoint_identifier(nullptr, leaf), "");

    ASSERT_EQ(comment_store(box, endpoint_key(leaf),
                            make_info(true, {"one", "two", "three", "four"}, "")),
              0);
    // Maps 1 to 4 show their own identifier; any other shows the first.
    for (const auto& [map, shown] : {std::pair{2, "two"}, {4, "four"}, {0, "one"}, {5, "one"}}) {
        box.displayed_map = map;
        EXPECT_EQ(endpoint_identifier(&box, leaf), shown) << map;
    }

    // Another card model in the same slot has no information.
    card.installed_model = 18;
    EXPECT_EQ(endpoint_identifier(&box, leaf), "");
}

TEST_F(CommentsTest, SetMapIdentifier) {
    // Whether setting `text` marked the comments changed.
    const auto set_changes = [&](const std::string& text) {
        box.comments_dirty = false;
        EXPECT_EQ(comment_set_map_identifier(box, leaf, text), 0);
        return box.comments_dirty;
    };
    // A blank text without information creates none.
    EXPECT_FALSE(set_changes("   "));
    EXPECT_EQ(box.comments, nullptr);
    EXPECT_TRUE(set_changes("CKT-7"));
    EXPECT_EQ(test::stored(box, endpoint_key(leaf)), make_info(true, {"", "CKT-7", "", ""}, ""));

    // A blank text still applies to information that exists: it empties the map's identifier
    // and the other maps keep showing the identifier they showed.
    ASSERT_EQ(
        comment_store(box, endpoint_key(leaf), make_info(false, {"common", "", "", ""}, "note")),
        0);
    EXPECT_TRUE(set_changes(""));
    EXPECT_EQ(test::stored(box, endpoint_key(leaf)),
              make_info(true, {"common", "", "common", "common"}, "note"));

    EXPECT_TRUE(set_changes("A-LONG-CIRCUIT-NAME-1234"));
    EXPECT_EQ(endpoint_identifier(&box, leaf), "A-LONG-CIRCUIT-NAM");
    EXPECT_FALSE(set_changes("A-LONG-CIRCUIT-NAM"));
}

// MapManagement asserts what a map's delete and copy do to map-specific information; here
// information common to the maps becomes map-specific.
TEST_F(CommentsTest, ClearAndCopyMaps) {
    const EndpointKey key{4, 17, 1, 100, 100, 100, 2};
    ASSERT_EQ(comment_store(box, key, make_info(false, {"b", "", "", ""}, "cb")), 0);
    comment_copy_map(box, 0, 2);
    EXPECT_EQ(test::stored(box, key), make_info(true, {"b", "b", "b", "b"}, "cb"));
    comment_clear_map(box, 1, false);
    comment_clear_map(box, 3, true);
    EXPECT_EQ(test::stored(box, key), make_info(true, {"b", "", "b", ""}, ""));

    // Indexes outside the four maps change nothing.
    comment_clear_map(box, 4, true);
    comment_copy_map(box, -1, 0);
    EXPECT_EQ(test::stored(box, key), make_info(true, {"b", "", "b", ""}, ""));
}

} // namespace
} // namespace vornex
