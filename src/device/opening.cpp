#include "device/opening.h"

#include "comments/comment_file.h"
#include "config/device_config.h"
#include "model/card.h"

namespace vornex {

namespace {

constexpr int r4150_model = 4150;

} // namespace

DeviceOpening DeviceOpening::open(std::unique_ptr<Box>& box, device_config& config,
                                  OpeningServices& services, Scope scope) {
    return DeviceOpening(box, &config, services, scope, Stage::session);
}

DeviceOpening DeviceOpening::from_card_table(std::unique_ptr<Box>& box, device_config* config,
                                             OpeningServices& services, Scope scope) {
    return DeviceOpening(box, config, services, scope, Stage::save_comments);
}

bool DeviceOpening::is_r4150() const {
    return box_ && box_->model != nullptr && box_->model->model_id == r4150_model;
}

DeviceOpening::Outcome DeviceOpening::after(Stage next) {
    stage_ = next;
    if (stage_ == Stage::card_table && !scope_.model) {
        stage_ = scope_.comments ? Stage::comments : Stage::end;
    }
    if (stage_ == Stage::comments && !scope_.comments) {
        stage_ = Stage::end;
    }
    if (stage_ != Stage::end) {
        return Outcome::more;
    }
    if (box_ && scope_.model) {
        box_->changes.notify(change_tree_rebuilt);
    }
    return Outcome::done;
}

DeviceOpening::Outcome DeviceOpening::step() {
    switch (stage_) {
    case Stage::session:
        close_device(box_, *config_, services_.comment_chooser);
        box_ = AM_New_Box(services_.presenter, OwnerWindow::main_window(), *config_,
                          services_.timings);
        if (!box_) {
            stage_ = Stage::end;
            return Outcome::failed;
        }
        if (services_.opened) {
            services_.opened(*box_);
        }
        // Without the controllers the displayed map is unknown: nothing after it would be
        // read from the right map.
        if (is_r4150() && get_controllers(*box_) != 0) {
            stage_ = Stage::end;
            return Outcome::failed;
        }
        return after(Stage::displayed_map);
    case Stage::displayed_map:
        if (services_.choose_displayed_map) {
            services_.choose_displayed_map(*box_);
        }
        return after(Stage::card_table);
    case Stage::save_comments:
        if (!box_) {
            stage_ = Stage::end;
            return Outcome::failed;
        }
        if (scope_.comments) {
            comment_file_save(box_.get(), services_.comment_chooser, OwnerWindow::main_window(),
                              config_);
        }
        return after(Stage::card_table);
    case Stage::card_table:
        model_.reset();
        if (!is_r4150()) {
            return after(Stage::comments);
        }
        model_.emplace(*box_);
        [[fallthrough]];
    case Stage::cards: {
        const bool table = stage_ == Stage::card_table;
        stage_ = Stage::cards;
        const ModelSteps::Outcome outcome = model_->step();
        if (outcome == ModelSteps::Outcome::failed) {
            model_.reset();
            stage_ = Stage::end;
            return Outcome::failed;
        }
        if (table) {
            box_->changes.notify(change_card_table);
        }
        return outcome == ModelSteps::Outcome::more ? Outcome::more : after(Stage::comments);
    }
    case Stage::comments:
        model_.reset();
        comment_file_load(*box_, services_.comment_chooser, OwnerWindow::main_window(), *config_);
        return after(Stage::end);
    case Stage::end:
        break;
    }
    return Outcome::done;
}

bool DeviceOpening::asks() const {
    return stage_ == Stage::displayed_map || stage_ == Stage::comments ||
           (stage_ == Stage::save_comments && scope_.comments);
}

DeviceOpening::Outcome DeviceOpening::run() {
    Outcome outcome = Outcome::more;
    while (outcome == Outcome::more) {
        outcome = step();
    }
    return outcome;
}

void close_device(std::unique_ptr<Box>& box, device_config& config,
                  CommentFileChooser& comment_chooser) {
    if (box) {
        comment_file_save(box.get(), comment_chooser, OwnerWindow::main_window(), &config);
        free_box(box);
    }
}

} // namespace vornex
