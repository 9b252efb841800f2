#include "device/model_steps.h"

#include "device/box.h"
#include "model/card.h"

namespace vornex {

ModelSteps::Outcome ModelSteps::step() {
    if (!table_read_) {
        table_read_ = true;
        next_ = 0;
        if (read_cards(box_) != 0) {
            return Outcome::failed;
        }
        return box_.cards.empty() ? Outcome::done : Outcome::more;
    }
    if (next_ >= box_.cards.size()) {
        return Outcome::done;
    }
    Card& card = *box_.cards[next_++];
    if (card.type != nullptr && card.type->builder != nullptr &&
        card.type->builder(box_, card) != 0) {
        next_ = box_.cards.size();
        return Outcome::failed;
    }
    return next_ < box_.cards.size() ? Outcome::more : Outcome::done;
}

ModelSteps::Outcome ModelSteps::run() {
    Outcome outcome = Outcome::more;
    while (outcome == Outcome::more) {
        outcome = step();
    }
    return outcome;
}

const Card* ModelSteps::next_card() const {
    return table_read_ && next_ < box_.cards.size() ? box_.cards[next_].get() : nullptr;
}

} // namespace vornex
