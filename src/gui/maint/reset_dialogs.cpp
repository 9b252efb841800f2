#include "gui/maint/reset_dialogs.h"

#include "device/box.h"
#include "gui/app/qt_presenter.h"
#include "gui/app/simple_dialog.h"
#include "maint/card_reset.h"
#include "maint/system_reset.h"
#include "model/card.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vornex {

namespace {

QString display_text(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.remove(QLatin1Char('\r'));
    return shown;
}

// The read-only multi-line edits that carry a sequence's step and detail.
QPlainTextEdit* text_edit(const char* name, int lines, QWidget* parent) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The texts indent with tabs, as narrow as a few blanks.
    edit->setTabStopDistance(edit->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 4);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setFixedHeight(edit->fontMetrics().lineSpacing() * lines + 16);
    return edit;
}

QPushButton* push_button(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

// Runs one step of a sequence under the wait cursor and answers when to run the next.
template <typename Sequence>
StepResult timed_step(Sequence& sequence) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const StepResult next = sequence.step();
    QApplication::restoreOverrideCursor();
    return next;
}

class SystemResetDialog : public SimpleDialog {
public:
    SystemResetDialog(QWidget* owner, Box& box) : SimpleDialog(owner), reset_(box) {
        setWindowTitle(QStringLiteral("System Reset"));
        setObjectName(QStringLiteral("systemResetDialog"));
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { on_timer(); });

        auto* types = new QGroupBox(QStringLiteral("Select Reset Type"), this);
        auto* groups = new QHBoxLayout(types);
        radios_.setExclusive(true);
        struct group {
            const char* title;
            SystemResetType cold, warm;
            const char* name;
        };
        for (const group& g :
             {group{"System", SystemResetType::system_cold, SystemResetType::system_warm, "system"},
              group{"Working XCU", SystemResetType::working_cold, SystemResetType::working_warm,
                    "working"},
              group{"Standby XCU", SystemResetType::standby_cold, SystemResetType::standby_warm,
                    "standby"}}) {
            auto* box_group = new QGroupBox(QString::fromLatin1(g.title), types);
            auto* layout = new QVBoxLayout(box_group);
            for (const auto& [type, text] :
                 {std::pair{g.cold, "Cold"}, std::pair{g.warm, "Warm"}}) {
                auto* radio = new QRadioButton(QString::fromLatin1(text), box_group);
                radio->setObjectName(QString::fromLatin1(g.name) + QString::fromLatin1(text));
                radios_.addButton(radio, static_cast<int>(type));
                layout->addWidget(radio);
            }
            groups->addWidget(box_group);
        }
        step_ = text_edit("stepText", 7, this);
        detail_ = text_edit("detailText", 2, this);
        reset_button_ = push_button("RESET", "resetButton", this);
        auto* cancel = push_button("Cancel", "cancelButton", this);
        connect(&radios_, &QButtonGroup::idClicked, this,
                [this] { reset_button_->setEnabled(!reset_.busy()); });
        connect(reset_button_, &QPushButton::clicked, this, [this] { on_reset(); });
        connect(cancel, &QPushButton::clicked, this, &SystemResetDialog::reject);

        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(reset_button_);
        buttons->addWidget(cancel);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(types);
        layout->addWidget(step_);
        layout->addWidget(detail_);
        layout->addLayout(buttons);
        setFixedWidth(dialog_units_to_pixels(this, 260, 0).width());
        show_state();
        clear_radios();
    }

    // Cancel, Escape and the close box: the warning first while a reset runs.
    void reject() override {
        if (!reset_.leave(QtPresenter::owner(this))) {
            return;
        }
        timer_.stop();
        done(reset_.result());
    }

private:
    void clear_radios() {
        radios_.setExclusive(false);
        for (QAbstractButton* radio : radios_.buttons()) {
            radio->setChecked(false);
        }
        radios_.setExclusive(true);
        reset_button_->setEnabled(false);
    }

    void show_state() {
        step_->setPlainText(display_text(reset_.step_text()));
        detail_->setPlainText(display_text(reset_.detail_text()));
        for (QAbstractButton* radio : radios_.buttons()) {
            radio->setEnabled(reset_.type_enabled(static_cast<SystemResetType>(radios_.id(radio))));
        }
    }

    void on_reset() {
        const int checked = radios_.checkedId();
        if (checked < 0) {
            return;
        }
        if (!reset_.start(static_cast<SystemResetType>(checked), QtPresenter::owner(this))) {
            return;
        }
        reset_button_->setEnabled(false);
        show_state();
        timer_.start(SystemReset::first_delay);
    }

    void on_timer() {
        const StepResult next = timed_step(reset_);
        show_state();
        if (next.done) {
            clear_radios();
        } else {
            timer_.start(next.next);
        }
    }

    SystemReset reset_;
    QTimer timer_;
    QButtonGroup radios_;
    QPlainTextEdit* step_;
    QPlainTextEdit* detail_;
    QPushButton* reset_button_;
};

class ChooseCardDialog : public SimpleDialog {
public:
    ChooseCardDialog(QWidget* owner, Box& box) : SimpleDialog(owner) {
        setWindowTitle(QStringLiteral("Choose Card"));
        setObjectName(QStringLiteral("chooseCardDialog"));
        list_ = new QListWidget(this);
        list_->setObjectName(QStringLiteral("cardList"));
        for (const CardChoice& choice : reset_card_choices(box)) {
            list_->addItem(QString::fromStdString(choice.line));
            cards_.push_back(choice.card);
        }
        list_->setCurrentRow(0);
        connect(list_, &QListWidget::itemDoubleClicked, this, &ChooseCardDialog::accept);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &ChooseCardDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &ChooseCardDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(list_);
        layout->addWidget(buttons);
        setFixedSize(dialog_units_to_pixels(this, 200, 120));
    }

    const Card* chosen() const {
        const int row = list_->currentRow();
        return result() == dialog_ok && row >= 0 && row < static_cast<int>(cards_.size())
                   ? cards_[static_cast<std::size_t>(row)]
                   : nullptr;
    }

private:
    QListWidget* list_;
    std::vector<const Card*> cards_;
};

class CardResetDialog : public SimpleDialog {
public:
    CardResetDialog(QWidget* owner, Box& box, const Card& card, const std::string& prompt,
                    bool protected_pair)
        : SimpleDialog(owner), reset_(box, card, prompt, protected_pair) {
        setWindowTitle(QStringLiteral("Card Reset"));
        setObjectName(QStringLiteral("cardResetDialog"));
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { on_timer(); });

        step_ = text_edit("stepText", 8, this);
        detail_ = text_edit("detailText", 1, this);
        auto* radios = new QHBoxLayout;
        for (const auto& [choice, name] : {std::pair{CardResetTarget::working, "workingRadio"},
                                           std::pair{CardResetTarget::standby, "standbyRadio"},
                                           std::pair{CardResetTarget::both, "bothRadio"}}) {
            auto* radio = new QRadioButton(this);
            radio->setObjectName(QString::fromLatin1(name));
            choices_.addButton(radio, static_cast<int>(choice));
            radios->addWidget(radio);
        }
        cold_ = push_button("Cold Reset", "coldButton", this);
        warm_ = push_button("Warm Reset", "warmButton", this);
        auto* cancel = push_button("Cancel", "cancelButton", this);
        cancel->setDefault(true);
        connect(cold_, &QPushButton::clicked, this, [this] { on_reset(true); });
        connect(warm_, &QPushButton::clicked, this, [this] { on_reset(false); });
        connect(cancel, &QPushButton::clicked, this, &CardResetDialog::reject);

        auto* buttons = new QHBoxLayout;
        buttons->addWidget(cold_);
        buttons->addWidget(warm_);
        buttons->addStretch();
        buttons->addWidget(cancel);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(step_);
        layout->addLayout(radios);
        layout->addWidget(detail_);
        layout->addLayout(buttons);
        setFixedWidth(dialog_units_to_pixels(this, 300, 0).width());

        QAbstractButton* working = choices_.button(static_cast<int>(CardResetTarget::working));
        QAbstractButton* standby = choices_.button(static_cast<int>(CardResetTarget::standby));
        QAbstractButton* both = choices_.button(static_cast<int>(CardResetTarget::both));
        working->setText(QString::fromStdString(reset_.working_label()));
        standby->setText(QString::fromStdString(reset_.standby_label()));
        both->setText(QStringLiteral("Both"));
        working->setVisible(reset_.protected_pair());
        standby->setVisible(reset_.protected_pair());
        both->setVisible(reset_.both_shown());
        working->setChecked(true);
        show_state();
    }

    void reject() override {
        // A reset already sent is not undone; the dialog just stops following it.
        timer_.stop();
        done(dialog_cancel);
    }

private:
    void show_state() {
        step_->setPlainText(display_text(reset_.step_text()));
        detail_->setPlainText(display_text(reset_.detail_text()));
        const bool idle = reset_.controls_enabled();
        cold_->setEnabled(idle);
        warm_->setEnabled(idle);
        choices_.button(static_cast<int>(CardResetTarget::working))
            ->setEnabled(idle && reset_.protected_pair());
        choices_.button(static_cast<int>(CardResetTarget::standby))
            ->setEnabled(idle && reset_.standby_enabled());
        choices_.button(static_cast<int>(CardResetTarget::both))
            ->setEnabled(idle && reset_.both_enabled());
    }

    void on_reset(bool cold) {
        const auto choice = static_cast<CardResetTarget>(choices_.checkedId());
        if (!reset_.start(cold, choice, QtPresenter::owner(this))) {
            return;
        }
        show_state();
        timer_.start(CardReset::first_delay);
    }

    void on_timer() {
        const StepResult next = timed_step(reset_);
        show_state();
        if (reset_.closes()) {
            done(dialog_cancel);
        } else if (!next.done) {
            timer_.start(next.next);
        }
    }

    CardReset reset_;
    QTimer timer_;
    QButtonGroup choices_;
    QPlainTextEdit* step_;
    QPlainTextEdit* detail_;
    QPushButton* cold_;
    QPushButton* warm_;
};

} // namespace

int system_reset_dialog(QWidget* owner, Box& box) {
    SystemResetDialog dialog(owner, box);
    return dialog.exec();
}

const Card* choose_reset_card(QWidget* owner, Box& box) {
    ChooseCardDialog dialog(owner, box);
    dialog.exec();
    return dialog.chosen();
}

int card_reset_dialog(QWidget* owner, Box& box, const Card& card, const std::string& prompt,
                      bool protected_pair) {
    CardResetDialog dialog(owner, box, card, prompt, protected_pair);
    dialog.exec();
    return dialog_cancel;
}

} // namespace vornex
