#pragma once
// Opening a device as a sequence of steps, so that the window can run one step per queued
// call and keep painting between cards, and the command line can run them in a loop: both
// open a device the same way and stop at the same failures.
//
// An opening: the sessions and identification (the device that was open is saved and
// freed first), the controllers, the displayed-map question, the card table, one card's
// endpoints per step, the comment file. A reload of the open device saves its comments and
// runs the same steps from the card table on; so does a command-line subcommand that needs
// the endpoint trees after it opened the device without them. A step that fails has reported
// itself; an opening that failed at the sessions leaves no device, a later failure leaves the
// device as far as it was built.

#include "device/box.h"
#include "device/model_steps.h"

#include <functional>
#include <memory>
#include <optional>

namespace vornex {

class CommentFileChooser;
struct device_config;

// What an opening needs from its front end.
struct OpeningServices {
    Presenter& presenter;
    CommentFileChooser& comment_chooser;
    session_timings timings{};
    // Told of the new device as soon as it is identified (a listener registers here).
    std::function<void(Box&)> opened;
    // Asks which map to show once the controllers are read; may leave the active one.
    std::function<void(Box&)> choose_displayed_map;
};

class DeviceOpening {
public:
    enum class Outcome { more, done, failed };
    // How far the sequence goes: the command line's subcommands that need no endpoint tree
    // or no comments stop early.
    struct Scope {
        bool model = true;
        bool comments = true;
    };

    // An opening into `box` with `config`; both outlive the sequence.
    static DeviceOpening open(std::unique_ptr<Box>& box, device_config& config,
                              OpeningServices& services, Scope scope);
    static DeviceOpening open(std::unique_ptr<Box>& box, device_config& config,
                              OpeningServices& services) {
        return open(box, config, services, Scope{});
    }
    // The steps from the card table on, for the open device `box`: the comments are saved
    // first and read again at the end when the scope includes them (`config` may be null
    // when it does not).
    static DeviceOpening from_card_table(std::unique_ptr<Box>& box, device_config* config,
                                         OpeningServices& services, Scope scope);
    static DeviceOpening reload(std::unique_ptr<Box>& box, device_config& config,
                                OpeningServices& services) {
        return from_card_table(box, &config, services, Scope{});
    }

    // Runs the next step.
    Outcome step();
    // Whether the next step may ask the operator something (no wait cursor then).
    bool asks() const;
    // Runs every remaining step.
    Outcome run();

private:
    enum class Stage { session, displayed_map, save_comments, card_table, cards, comments, end };

    DeviceOpening(std::unique_ptr<Box>& box, device_config* config, OpeningServices& services,
                  Scope scope, Stage first)
        : box_(box), config_(config), services_(services), scope_(scope), stage_(first) {}
    Outcome after(Stage next);
    bool is_r4150() const;

    std::unique_ptr<Box>& box_;
    device_config* config_;
    OpeningServices& services_;
    Scope scope_;
    Stage stage_;
    std::optional<ModelSteps> model_;
};

// Saves the comments of `box` (when one is open) and frees it.
void close_device(std::unique_ptr<Box>& box, device_config& config,
                  CommentFileChooser& comment_chooser);

} // namespace vornex
