// Whole-map commands against the simulator: which end values ask for a reload, what the
// device's verdicts show, and what happens to the endpoint identifiers and comments.
#include "comments/comments.h"
#include "map_fixture.h"
#include "xc/map_management.h"

namespace vornex {
namespace {

using test::MapFixture;
using test::Routine;

// A row of the device's cross-connect table exists for this destination.
const char* const map1_row = "R.1.16.3.1.9.1.1.1.100.100.100.11";
const char* const map2_row = "R.1.16.3.1.9.2.1.1.100.100.100.2";

class MapManagement : public MapFixture {
protected:
    void SetUp() override { start("demo"); }

    void force(int code) {
        std::string error;
        ASSERT_TRUE(sim->command("force-result " + std::to_string(code), error)) << error;
    }

    endpoint_info info(const HsEntry& leaf) {
        const endpoint_info* found = comment_find(*box, endpoint_key(leaf));
        return found != nullptr ? *found : endpoint_info{};
    }

    // Gives the leaf an identifier in both maps and a comment.
    void annotate(const HsEntry& leaf) {
        ASSERT_EQ(comment_store(*box, endpoint_key(leaf), annotated), 0);
        box->comments_dirty = false;
    }
    const endpoint_info annotated{true, {"ID-MAP1", "ID-MAP2", "", ""}, "spare pair"};
};

// The other two labels: MapCommandsTest.ActiveMapDeleteAndCopyDialogs reads them.
TEST_F(MapManagement, LabelsAndChoices) {
    EXPECT_EQ(active_map_label(1, 2), "Map1");
    EXPECT_EQ(map_copy_label(1), "Copy Map1 (active) to Map2 (inactive).");

    EXPECT_EQ(select_map_choice(*box, 1), map_dialog_no_reload);
    EXPECT_EQ(select_map_choice(*box, 2), map_dialog_reload);
    EXPECT_EQ(box->displayed_map, 2);
    EXPECT_EQ(active_map_choice(*box, 1), map_dialog_no_reload);
    EXPECT_EQ(active_map_choice(*box, 2), map_dialog_reload);
    EXPECT_EQ(box->active_map, 2);
}

// A reload is asked for only when the displayed map is deleted; identifiers and comments
// are cleared only when asked ("Clear Endpoint Comments" alone clears nothing).
TEST_F(MapManagement, Delete) {
    HsEntry& leaf = node(1, {"Port-01", "TS-10"});
    annotate(leaf);
    presenter.answers = {dialog_cancel, dialog_ok, dialog_ok, dialog_ok};
    EXPECT_EQ(map_delete(*box, 2, false, false), 0); // back to the dialog
    EXPECT_EQ(test::count_requests(sim->requests(), "SET "), 0);
    EXPECT_EQ(presenter.last().text,
              "Confirm Map Delete\r\n\r\n\r\n\r\nDelete all cross-connects in Map2?");

    EXPECT_EQ(map_delete(*box, 2, false, true), map_dialog_no_reload);
    EXPECT_FALSE(sim->value(map2_row));
    EXPECT_TRUE(sim->value(map1_row));
    EXPECT_TRUE(box->changes.not_stored());
    EXPECT_EQ(info(leaf), annotated);
    EXPECT_FALSE(box->comments_dirty);

    EXPECT_EQ(map_delete(*box, 2, true, false), map_dialog_no_reload);
    EXPECT_EQ(info(leaf), (endpoint_info{true, {"ID-MAP1", "", "", ""}, "spare pair"}));
    EXPECT_TRUE(box->comments_dirty);

    EXPECT_EQ(map_delete(*box, 1, true, true), map_dialog_reload);
    EXPECT_FALSE(sim->value(map1_row));
    EXPECT_EQ(info(leaf), (endpoint_info{true, {"", "", "", ""}, ""}));
    EXPECT_EQ(presenter.shown.size(), 4u); // the confirmations only
}

// A reload is asked for when the target is displayed; identifiers go to the inactive map.
TEST_F(MapManagement, Copy) {
    HsEntry& leaf = node(1, {"Port-01", "TS-10"});
    annotate(leaf);
    EXPECT_EQ(map_copy(*box, true), map_dialog_no_reload); // Map1 shown, Map2 written
    EXPECT_EQ(sim->value("R.1.16.3.1.9.2.1.1.100.100.100.11"), "i:3");
    EXPECT_FALSE(sim->value(map2_row)); // Map2's own rows are gone
    EXPECT_TRUE(box->changes.not_stored());
    EXPECT_EQ(info(leaf), (endpoint_info{true, {"ID-MAP1", "ID-MAP1", "", ""}, "spare pair"}));
    EXPECT_TRUE(box->comments_dirty);

    // With Map2 active the copy goes the other way, on the device too.
    ASSERT_EQ(active_map_choice(*box, 2), map_dialog_reload);
    ASSERT_EQ(activate_map(*box), 0);
    EXPECT_EQ(sim->value("R.1.16.4.1.0"), "i:2");
    presenter.answers = {dialog_ok};
    ASSERT_EQ(map_delete(*box, 1, false, false), map_dialog_reload);
    EXPECT_EQ(map_copy(*box, false), map_dialog_reload);
    // Map2 held Map1's copy, so Map1 comes back from it.
    EXPECT_EQ(sim->value(map1_row), "i:3");
    EXPECT_FALSE(sim->value("R.1.16.3.1.9.1.1.1.100.100.100.2"));
    EXPECT_EQ(presenter.shown.size(), 1u);
}

TEST_F(MapManagement, RefusedCommandsShowTheResultAndChangeNoIdentifier) {
    HsEntry& leaf = node(1, {"Port-01", "TS-10"});
    annotate(leaf);
    const std::string error = "!!Error\r\n\r\n\r\n\r\nThe ";
    force(3);
    presenter.answers = {dialog_ok};
    EXPECT_EQ(map_delete(*box, 1, true, true), map_dialog_no_reload);
    EXPECT_EQ(presenter.last().routine, Routine::error);
    EXPECT_EQ(presenter.last().text, error + "delete map command reported error: fail");
    EXPECT_TRUE(sim->value(map1_row));
    EXPECT_EQ(info(leaf), annotated);
    EXPECT_FALSE(box->comments_dirty);
    EXPECT_FALSE(box->changes.not_stored());

    force(7);
    EXPECT_EQ(map_copy(*box, true), map_dialog_no_reload);
    EXPECT_EQ(presenter.last().text, error + "copy map command reported error: 7");
    EXPECT_EQ(info(leaf), annotated);

    force(4);
    ASSERT_EQ(active_map_choice(*box, 2), map_dialog_reload);
    EXPECT_EQ(activate_map(*box), 1);
    EXPECT_EQ(presenter.last().text, error + "activate map command reported error: timeout");
    EXPECT_EQ(box->active_map, 2); // the operator's choice stays
    EXPECT_EQ(sim->value("R.1.16.4.1.0"), "i:1");

    // A request that gets no answer is reported with the command's own words.
    presenter.clear();
    sim->drop_next(2);
    presenter.answers = {dialog_ok};
    EXPECT_EQ(map_delete(*box, 1, false, false), map_dialog_no_reload);
    ASSERT_EQ(presenter.shown.size(), 2u);
    EXPECT_NE(presenter.shown[1].text.find("while clearing map entries."), std::string::npos);
    EXPECT_TRUE(sim->value(map1_row));
}

TEST_F(MapManagement, StoreAndRetrieve) {
    // Declined: nothing is sent.
    box->changes.set_not_stored(true);
    EXPECT_EQ(store_config(*box), 1);
    EXPECT_EQ(retrieve_config(*box), 1);
    EXPECT_EQ(test::count_requests(sim->requests(), "SET "), 0);
    EXPECT_TRUE(box->changes.not_stored());
    EXPECT_EQ(presenter.texts(),
              (std::vector<std::string>{"Confirm Store\r\n\r\n\r\nStore configuration?",
                                        "Confirm\r\n\r\n\r\nRetrieve stored configuration "
                                        "overwriting current configuration?"}));

    // Retrieving brings back what was stored: at first the scenario's configuration.
    presenter.answers = {dialog_ok, dialog_ok};
    ASSERT_EQ(map_delete(*box, 1, false, false), map_dialog_reload);
    EXPECT_EQ(retrieve_config(*box), 0);
    EXPECT_FALSE(box->changes.not_stored());
    EXPECT_EQ(sim->value(map1_row), "i:3");

    presenter.answers = {dialog_ok, dialog_ok, dialog_ok};
    ASSERT_EQ(map_delete(*box, 1, false, false), map_dialog_reload);
    EXPECT_EQ(store_config(*box), 0);
    EXPECT_FALSE(box->changes.not_stored());
    EXPECT_EQ(retrieve_config(*box), 0);
    EXPECT_FALSE(sim->value(map1_row));

    // A failed store changes nothing and says so.
    box->changes.set_not_stored(true);
    presenter.clear();
    sim->fail_prefix("R.1.7.1.0", 5);
    presenter.answers = {dialog_ok};
    EXPECT_EQ(store_config(*box), 1);
    EXPECT_TRUE(box->changes.not_stored());
    EXPECT_NE(presenter.last().text.find("storing map"), std::string::npos);
}

} // namespace
} // namespace vornex
