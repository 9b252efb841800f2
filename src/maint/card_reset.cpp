#include "maint/card_reset.h"

#include "maint/format_text.h"
#include "maint/send_once.h"
#include "model/card.h"
#include "model/chassis.h"
#include "snmp/snmp_access.h"

namespace vornex {

namespace {

using namespace std::chrono_literals;

// A card family's reset object (below the root, before the slot) and its four values.
struct reset_row {
    card_family family;
    std::initializer_list<oid> object;
    long warm, cold, both_warm, both_cold;
};

const reset_row reset_rows[] = {
    {card_family::e1, {3, 7, 1, 2}, 1, 2, 3, 4},
    {card_family::t1, {4, 7, 1, 2}, 1, 2, 3, 4},
    {card_family::t3, {5, 6, 1, 2}, 1, 2, 4, 5},
    {card_family::stm, {2, 16, 1, 2}, 2, 3, 4, 5},
};

struct test_row {
    card_family family;
    std::initializer_list<oid> object;
};

const test_row working_tests[] = {
    {card_family::e1, {3, 1, 4, 1, 2}},
    {card_family::t1, {4, 1, 4, 1, 2}},
    {card_family::t3, {5, 1, 4, 1, 2}},
    {card_family::stm, {2, 26, 1, 2}},
};

template <typename Row, std::size_t N>
const Row* row_for(const Row (&rows)[N], card_family family) {
    for (const Row& row : rows) {
        if (row.family == family) {
            return &row;
        }
    }
    return nullptr;
}

const reset_row* reset_of(const Card& card) {
    return card.type != nullptr ? row_for(reset_rows, card.type->reset) : nullptr;
}

// A per-slot object: the root, the row's object, the card's slot.
std::vector<oid> slot_object(const Chassis& box, std::initializer_list<oid> object,
                             const Card& card) {
    std::vector<oid> name = box.object(object);
    name.push_back(card.slot);
    return name;
}

} // namespace

bool has_card_reset(const Card& card) {
    return reset_of(card) != nullptr;
}

long card_reset_value(const Card& card, bool cold, bool both) {
    const reset_row* row = reset_of(card);
    if (row == nullptr) {
        return 0;
    }
    return both ? (cold ? row->both_cold : row->both_warm) : (cold ? row->cold : row->warm);
}

int card_reset(Chassis& box, const Card& target, bool cold, bool both) {
    const reset_row* row = reset_of(target);
    if (row == nullptr) {
        return 1;
    }
    const snmp_result sent = set_integer_once(box, slot_object(box, row->object, target),
                                              card_reset_value(target, cold, both));
    if (sent != snmp_ok) {
        snmp_report_error(box, sent, sending_reset_command);
        return 1;
    }
    return 0;
}

bool is_working_card(Chassis& box, const Card& card) {
    const test_row* row =
        card.type != nullptr ? row_for(working_tests, card.type->working_test) : nullptr;
    if (row == nullptr) {
        return true;
    }
    SnmpGet get(box);
    get.add_name(slot_object(box, row->object, card), asn_integer);
    if (const snmp_result result = get.send(); result != snmp_ok) {
        snmp_report_error(box, result, reading_status);
        return true;
    }
    return get.integer(0).value_or(0) == 2;
}

std::vector<CardChoice> reset_card_choices(Chassis& box) {
    std::vector<CardChoice> choices;
    for (const auto& card : box.cards) {
        if (card->registered_model < 2 || card->registered_model > 254 || !has_card_reset(*card)) {
            continue;
        }
        std::string version;
        if (firmware_bank_info(box, card->slot + 2, version, true) != 0) {
            version.clear();
        }
        choices.push_back({card.get(), format_text("%s: %s - %s", slot_name(box, *card),
                                                   card->type_name, version.c_str())});
    }
    return choices;
}

std::string reset_card_prompt(const Chassis& box, const Card& card) {
    std::string prompt =
        format_text("\r\n\r\n\r\n\t\t%s: %s\r\n\r\n\t\tSend card reset command now?",
                    slot_name(box, card), card.type_name);
    if (prompt.size() > 255) {
        prompt.resize(255);
    }
    return prompt;
}

CardResetOffer card_firmware_reset_offer(const Card& card) {
    if (card.type != nullptr && card.type->working_test != card_family::none) {
        return {"\r\n\tA card reset is required to switch banks to the new firmware.\r\n\tThe "
                "upgrade was applied to both the working and standby cards.\r\n\tEach card will "
                "require a reset.\r\n\r\n\tReset a card now?",
                true};
    }
    return {"\r\n\r\n\tA card reset is required to switch banks to the new firmware.\r\n\tSend "
            "reset command now?",
            false};
}

CardReset::CardReset(Chassis& box, const Card& card, std::string prompt, bool protected_pair)
    : box_(box), card_(card), target_(&card), protected_pair_(protected_pair),
      step_text_(std::move(prompt)) {
    if (!protected_pair_) {
        return;
    }
    // Slots 1 and 2, 3 and 4, ... hold the pairs. A slot without a resettable card is no
    // partner: Standby would name a card there is nothing to reset in.
    const int partner_slot = card.slot % 2 == 1 ? card.slot + 1 : card.slot - 1;
    for (const auto& other : box.cards) {
        if (other->slot == partner_slot && has_card_reset(*other)) {
            partner_ = other.get();
        }
    }
}

bool CardReset::both_shown() const {
    return protected_pair_ && box_.fw_ge_2_15_02;
}

bool CardReset::standby_enabled() const {
    return protected_pair_ && partner_ != nullptr;
}

bool CardReset::both_enabled() const {
    return both_shown() && partner_ != nullptr;
}

std::string CardReset::working_label() const {
    return format_text("Working (%s)", slot_name(box_, card_));
}

std::string CardReset::standby_label() const {
    return partner_ != nullptr ? format_text("Standby (%s)", slot_name(box_, *partner_))
                               : std::string("Standby");
}

bool CardReset::start(bool cold, CardResetTarget choice, OwnerWindow owner) {
    if (!controls_enabled_) {
        return false;
    }
    const Card* target = &card_;
    // "Both" is asked for on each press: an earlier Both must not turn a later Working or
    // Standby reset into a reset of the pair. The chosen card stays the target of Both.
    bool both = false;
    if (protected_pair_ && choice == CardResetTarget::standby) {
        if (!standby_enabled()) {
            return false;
        }
        target = partner_;
    } else if (protected_pair_ && choice == CardResetTarget::both) {
        if (!both_enabled()) {
            return false;
        }
        both = true;
    }
    if (confirm_dialog(*box_.presenter, owner,
                       "Confirm Card Reset\r\n\r\n\r\n%s: %s - %s reset\r\n\r\nProceed with "
                       "reset?\r\n",
                       slot_name(box_, *target), target->type_name,
                       cold ? "cold" : "warm") != dialog_ok) {
        return false;
    }
    target_ = target;
    both_ = both;
    cold_ = cold;
    phase_ = 0;
    controls_enabled_ = false;
    closes_ = false;
    outcome_ = ResetOutcome::running;
    step_text_ = both_ ? "\r\n\r\n\r\n\tResetting both cards in protected pair..."
                       : "\r\n\r\n\r\n\tResetting card...";
    return true;
}

StepResult CardReset::step() {
    if (outcome_ != ResetOutcome::running) {
        return {true, Delay{0}};
    }
    return phase_ == 0 ? send_command() : follow_state();
}

void CardReset::enable_controls() {
    controls_enabled_ = true;
    phase_ = 0;
}

StepResult CardReset::send_command() {
    if (card_reset(box_, *target_, cold_, both_) != 0) {
        step_text_ = "\tError sending reset command.\r\n\r\n\tPlease cancel and use the CLI to "
                     "reset the card.";
        enable_controls();
        outcome_ = ResetOutcome::failed;
        return {true, Delay{0}};
    }
    step_text_ = "\r\n\r\n\tCard reset is in progress.  This may take several "
                 "minutes.\r\n\r\n\tWaiting for card to resume working state...";
    phase_ = 1;
    ticks_ = 0;
    working_ = 0;
    return {false, 6s};
}

StepResult CardReset::follow_state() {
    ++ticks_;
    std::string state;
    const int value = card_state(box_, *target_, state);
    if (value < 0) {
        // An unanswered read brings the time-out 61 ticks nearer: the third one ends it.
        ticks_ += 60;
    } else if (value == 1) {
        ++working_;
    } else {
        // Back from any other state, two working reads in a row make 15.
        working_ = 13;
    }
    if (working_ >= 15) {
        outcome_ = ResetOutcome::complete;
        if (protected_pair_ && partner_ != nullptr) {
            step_text_ = "\r\n\r\n\tReset complete.\r\n\r\n\tAnother reset may be performed or "
                         "press cancel to exit.";
            enable_controls();
        } else {
            closes_ = true;
        }
        return {true, Delay{0}};
    }
    if (ticks_ >= 180) {
        step_text_ = "\tTimeout waiting for card to return to working state.\r\n\r\n\tPlease "
                     "cancel and use the CLI to verify the card state.";
        outcome_ = ResetOutcome::timed_out;
        return {true, Delay{0}};
    }
    detail_text_ = "\tcard state: " + state;
    return {false, 2s};
}

} // namespace vornex
