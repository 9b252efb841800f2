#pragma once
// How the core tells every view of a device what changed. Commands report a set of change
// flags once they are done; each listener looks at the flags it cares about and redraws
// what they touch (the main window its "Store" item and title, the map window, both path
// controls, the graph, the index and the chassis view). A listener registers while it
// exists and forgets itself when it goes.
//
// The changes-not-stored flag lives here too: 1 when the device's running configuration
// has been changed from this program since it was last stored on the device. Commands the
// device accepted set it; Store, Retrieve, Reset System and Select Device clear it.

#include <vector>

namespace vornex {

enum ChangeFlag : unsigned {
    change_not_stored = 1u << 0,          // the changes-not-stored flag flipped
    change_leaf_cross_connects = 1u << 1, // cached cross-connects of leaves were invalidated
    change_tree_rebuilt = 1u << 2,        // the card table and endpoint trees were read anew
    change_comments = 1u << 3,            // identifiers or comments changed
    change_displayed_map = 1u << 4,
    change_active_map = 1u << 5,
    change_card_table = 1u << 6, // the card table was read anew; the trees follow card by card
};

class ChangeListener {
public:
    virtual ~ChangeListener() = default;
    virtual void changed(unsigned flags) = 0;
};

class Changes {
public:
    Changes() = default;
    Changes(const Changes&) = delete;
    Changes& operator=(const Changes&) = delete;

    void listen(ChangeListener& listener);
    void forget(ChangeListener& listener);
    // Tells every listener, in the order they registered; nothing when `flags` is 0.
    void notify(unsigned flags);

    bool not_stored() const { return not_stored_; }
    // Notifies change_not_stored when the value flips.
    void set_not_stored(bool value);

private:
    std::vector<ChangeListener*> listeners_;
    bool not_stored_ = false;
};

} // namespace vornex
