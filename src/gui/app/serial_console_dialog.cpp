#include "gui/app/serial_console_dialog.h"

#include "shell/serial_console.h"
#include "shell/settings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vornex {

SerialConsoleDialog::SerialConsoleDialog(QWidget* owner, Settings& settings,
                                         const std::vector<std::string>& ports)
    : SimpleDialog(owner), settings_(settings) {
    setWindowTitle(QStringLiteral("Select Serial Console Port"));
    setObjectName(QStringLiteral("serialConsoleDialog"));

    auto* port_group = new QGroupBox(QStringLiteral("COM Port"), this);
    port_ = new QComboBox(port_group);
    port_->setObjectName(QStringLiteral("comPort"));
    port_->setEditable(true);
    port_->setInsertPolicy(QComboBox::NoInsert);
    port_->lineEdit()->setMaxLength(static_cast<int>(setting_com_name_limit));
    port_->setMinimumContentsLength(16);
    for (const std::string& port : ports) {
        port_->addItem(QString::fromStdString(port));
    }
    // The stored port when it is free now, else the first free one.
    const int stored = port_->findText(QString::fromStdString(settings.com_name),
                                       Qt::MatchExactly | Qt::MatchCaseSensitive);
    port_->setCurrentIndex(stored >= 0 ? stored : (ports.empty() ? -1 : 0));
    auto* port_layout = new QVBoxLayout(port_group);
    port_layout->addWidget(port_);
    port_layout->addStretch(1);

    auto* rate_group = new QGroupBox(QStringLiteral("Baud Rate"), this);
    rates_ = new QButtonGroup(this);
    auto* rate_layout = new QVBoxLayout(rate_group);
    const int offered = offered_baud_rate(settings.com_baud);
    for (const int rate : serial_baud_rates) {
        auto* button = new QRadioButton(QString::number(rate), rate_group);
        button->setObjectName(QStringLiteral("baud%1").arg(rate));
        button->setChecked(rate == offered);
        rates_->addButton(button, rate);
        rate_layout->addWidget(button);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SerialConsoleDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SerialConsoleDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(port_group, 1);
    groups->addWidget(rate_group);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

void SerialConsoleDialog::accept() {
    settings_.com_name = port_->currentText().toStdString();
    const int checked = rates_->checkedId();
    settings_.com_baud = checked > 0 ? checked : default_serial_baud;
    SimpleDialog::accept();
}

int serial_console_dialog(QWidget* owner, Settings& settings,
                          const std::vector<std::string>& ports) {
    SerialConsoleDialog dialog(owner, settings, ports);
    return dialog.exec();
}

} // namespace vornex
