#pragma once
// The shell's changes-not-stored flag: 1 when the device's running configuration has been
// changed from this program since it was last stored on the device. Commands the device
// accepted set it; Store, Retrieve, Reset System and Select Device clear it. The front end
// watches it to enable its "Store" item.

#include <functional>

namespace vornex {

class ChangesNotStored {
public:
    bool is_set() const { return set_; }
    void set() { change(true); }
    void clear() { change(false); }
    // Called with the new value whenever it changes.
    std::function<void(bool)> on_change;

private:
    void change(bool value) {
        if (value != set_) {
            set_ = value;
            if (on_change) {
                on_change(value);
            }
        }
    }
    bool set_ = false;
};

// The program's one flag.
ChangesNotStored& changes_not_stored();

} // namespace vornex
