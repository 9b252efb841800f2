#include "base/changes.h"

#include <algorithm>

namespace vornex {

void Changes::listen(ChangeListener& listener) {
    if (std::find(listeners_.begin(), listeners_.end(), &listener) == listeners_.end()) {
        listeners_.push_back(&listener);
    }
}

void Changes::forget(ChangeListener& listener) {
    std::erase(listeners_, &listener);
}

void Changes::notify(unsigned flags) {
    if (flags == 0) {
        return;
    }
    // A listener may forget itself (or another) while it is told; tell a copy.
    const std::vector<ChangeListener*> listeners = listeners_;
    for (ChangeListener* listener : listeners) {
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) {
            listener->changed(flags);
        }
    }
}

void Changes::set_not_stored(bool value) {
    if (value != not_stored_) {
        not_stored_ = value;
        notify(change_not_stored);
    }
}

} // namespace vornex
