#pragma once
// Card resets: the reset object and values of every card family, the working/standby test
// of protected pairs, and the Card Reset sequence: one write of the reset value, then the
// card's state read every 2 s until it has been working long enough (15 working reads in a
// row) or the wait times out. Like the system reset it is a state machine on the clock
// seam that the Card Reset dialog and `vornex-cli reset-card` drive.
//
// The dialog is reached from "Reset Card" (Choose Card, then the menu prompt, no pair
// choice) and after card firmware (card_firmware_reset_offer: the upgrade prompt, and the
// Working/Standby/Both choice for protected types).

#include "base/clock.h"
#include "base/presenter.h"
#include "maint/reset_outcome.h"

#include <string>
#include <vector>

namespace vornex {

struct Chassis;
struct Card;

// Whether the card's type has a reset object.
bool has_card_reset(const Card& card);
// The card's reset value: warm or cold, for one card or both cards of a protected pair.
long card_reset_value(const Card& card, bool cold, bool both);
// The card type's reset routine: one SET of the reset value to the card's reset object on
// the set session, sent once (a lost answer is not followed by a second reset). 0, or 1
// after a failure that was reported ("sending reset command"); a type without a reset
// object gives 1 and sends nothing.
int card_reset(Chassis& box, const Card& target, bool cold, bool both);
// The working/standby test of protected types: true when the card in that slot is the
// working card. A failed read is reported and counts as working; unprotected types are
// working.
bool is_working_card(Chassis& box, const Card& card);

// One line of the Choose Card dialog in its reset form.
struct CardChoice {
    const Card* card;
    std::string line; // "Trib1: E1-NP - V1.00.00"
};
// Every card with a type code from 2 to 254 and a reset object, in slot order, with its
// running firmware version (active bank; empty when that read failed).
std::vector<CardChoice> reset_card_choices(Chassis& box);

// The prompt of "Reset Card" for the chosen card.
std::string reset_card_prompt(const Chassis& box, const Card& card);

// What the window offers after a successful card firmware transfer.
struct CardResetOffer {
    std::string prompt;
    bool protected_pair; // the card's type has a working/standby test
};
CardResetOffer card_firmware_reset_offer(const Card& card);

enum class CardResetTarget { working, standby, both };

class CardReset {
public:
    static constexpr Delay first_delay{250};

    // The dialog's opening. With `protected_pair` the partner is the card in the other slot
    // of the pair (1-2, 3-4, ...), if there is one.
    CardReset(Chassis& box, const Card& card, std::string prompt, bool protected_pair);

    const std::string& step_text() const { return step_text_; }
    const std::string& detail_text() const { return detail_text_; }

    bool protected_pair() const { return protected_pair_; }
    const Card* partner() const { return partner_; }
    // The Working/Standby radios are shown with the pair flag; Both only on controller
    // firmware 2.15.02 or later.
    bool both_shown() const;
    bool standby_enabled() const;
    bool both_enabled() const;
    std::string working_label() const; // "Working (Trib3)"
    std::string standby_label() const; // "Standby (Trib4)"; "Standby" without a partner
    // The reset buttons (and the pair's radios) take input: not while a reset runs.
    bool controls_enabled() const { return controls_enabled_; }
    // The card the running or last reset was sent to.
    const Card& target() const { return *target_; }

    // Cold or Warm Reset with the radio choice (ignored without the pair flag): asks
    // "Confirm Card Reset" over `owner`; true when the reset is under way, with its first
    // step() due after first_delay.
    bool start(bool cold, CardResetTarget choice, OwnerWindow owner);
    // One timer expiry; done when nothing more is to be waited for.
    StepResult step();
    // The dialog closes itself: the card was reset and there is nothing more to offer.
    bool closes() const { return closes_; }
    ResetOutcome outcome() const { return outcome_; }
    int phase() const { return phase_; }

private:
    StepResult send_command();
    StepResult follow_state();
    void enable_controls();

    Chassis& box_;
    const Card& card_;
    const Card* target_;
    const Card* partner_ = nullptr;
    bool protected_pair_;
    bool cold_ = false;
    bool both_ = false;
    bool controls_enabled_ = true;
    bool closes_ = false;
    int phase_ = 0;
    int ticks_ = 0;
    int working_ = 0;
    ResetOutcome outcome_ = ResetOutcome::idle;
    std::string step_text_;
    std::string detail_text_;
};

} // namespace vornex
