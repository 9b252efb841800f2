#pragma once
// The reset dialogs: "System Reset" (191), "Choose Card" in its reset form (170) and
// "Card Reset" (172), each a thin window over the core's sequence (maint/system_reset.h,
// maint/card_reset.h) driven by a single-shot QTimer. Confirmations and warnings go to
// the box's Presenter, owned by the dialog that asks.
//
// The window's commands: "Reset System" runs system_reset_dialog; "Reset Card" runs
// choose_reset_card and then card_reset_dialog with reset_card_prompt and no pair choice;
// after card firmware the window runs card_reset_dialog with card_firmware_reset_offer.

class QWidget;

#include <string>

namespace vornex {

struct Box;
struct Card;

// Modal over `owner`; 1 when a reset was sent and the dialog was not left while one ran
// (the caller then clears the changes-not-stored mark and rescans), else 2.
int system_reset_dialog(QWidget* owner, Box& box);

// Modal over `owner`; the chosen card, or null (Cancel, or no card to choose).
const Card* choose_reset_card(QWidget* owner, Box& box);

// Modal over `owner`; ends with 2 in every case. `protected_pair` offers Working, Standby
// and (controller firmware 2.15.02 or later) Both.
int card_reset_dialog(QWidget* owner, Box& box, const Card& card, const std::string& prompt,
                      bool protected_pair);

} // namespace vornex
