#include "base/changes.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace vornex {
namespace {

struct Recorder : ChangeListener {
    std::vector<unsigned> told;
    std::function<void()> on_change = [] {};
    void changed(unsigned flags) override {
        told.push_back(flags);
        on_change();
    }
};

TEST(Changes, EveryListenerHearsEachChangeOnce) {
    Changes changes;
    Recorder first, second;
    changes.listen(first);
    changes.listen(second);
    changes.listen(first); // twice registered is once told
    changes.notify(0);     // nothing changed: nobody is woken
    changes.set_not_stored(false);
    changes.set_not_stored(true);
    changes.set_not_stored(true); // no flip, no news
    changes.notify(change_leaf_cross_connects | change_comments);
    changes.forget(second);
    changes.set_not_stored(false);
    EXPECT_EQ(first.told, (std::vector<unsigned>{change_not_stored,
                                                 change_leaf_cross_connects | change_comments,
                                                 change_not_stored}));
    EXPECT_EQ(second.told, (std::vector<unsigned>{change_not_stored,
                                                  change_leaf_cross_connects | change_comments}));
    EXPECT_FALSE(changes.not_stored());
}

TEST(Changes, AListenerThatGoesWhileToldIsNotToldAgain) {
    Changes changes;
    Recorder closing, gone;
    closing.on_change = [&] { changes.forget(gone); };
    changes.listen(closing);
    changes.listen(gone);
    changes.notify(change_tree_rebuilt);
    EXPECT_EQ(closing.told.size(), 1u);
    EXPECT_TRUE(gone.told.empty());
}

} // namespace
} // namespace vornex
