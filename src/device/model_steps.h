#pragma once
// The card table and the endpoint trees are read one step at a time, so that a front end
// can run one step per queued call and keep its window painting between cards: first the
// card table (the old list is freed), then one card's builder per step. A builder that
// fails ends the sequence; the device is then shown as far as it was built.

#include <cstddef>

namespace vornex {

struct Box;
struct Card;

class ModelSteps {
public:
    enum class Outcome { more, done, failed };

    explicit ModelSteps(Box& box) : box_(box) {}

    // Runs the next step.
    Outcome step();
    // Runs every remaining step.
    Outcome run();
    // The card the next step builds, or null before the card table and after the end.
    const Card* next_card() const;

private:
    Box& box_;
    bool table_read_ = false;
    std::size_t next_ = 0;
};

} // namespace vornex
