#include "gui/app/message_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QStyle>
#include <QTextEdit>
#include <QVBoxLayout>

namespace vornex {

namespace {

QStyle::StandardPixmap icon_of(MessageKind kind) {
    switch (kind) {
    case MessageKind::exclamation:
        return QStyle::SP_MessageBoxWarning;
    case MessageKind::information:
        return QStyle::SP_MessageBoxInformation;
    case MessageKind::question:
        return QStyle::SP_MessageBoxQuestion;
    case MessageKind::stop:
    case MessageKind::none:
        break;
    }
    return QStyle::SP_MessageBoxCritical;
}

// Texts are 8-bit, UTF-8 on this platform (file paths among them). The core keeps "\r\n"
// as the program wrote it; the text widgets want plain line feeds.
QString for_display(const std::string& text) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

} // namespace

void system_beep(MessageKind) {
    QApplication::beep();
}

MessageDialog::MessageDialog(QWidget* owner, const MessageDialogTemplate& layout, const char* text,
                             const BeepFunction& beep)
    : SimpleDialog(owner) {
    setObjectName(QStringLiteral("messageDialog"));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (layout.has_system_menu) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    setWindowFlags(flags);
    setWindowTitle(QString::fromLatin1(layout.caption));

    body_ = new QTextEdit(this);
    body_->setObjectName(QStringLiteral("messageBody")); // text control 1005
    body_->setReadOnly(true);
    body_->setFocusPolicy(Qt::NoFocus);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &SimpleDialog::accept);
    if (layout.has_cancel) {
        QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
        connect(cancel, &QPushButton::clicked, this, &SimpleDialog::reject);
    }
    buttons->setCenterButtons(true);

    auto* column = new QVBoxLayout(this);
    column->addWidget(body_, 1);
    column->addWidget(buttons);
    setFixedSize(dialog_units_to_pixels(this, layout.width_units, layout.height_units));

    if (text == nullptr) {
        return;
    }
    const ParsedMessage message = parse_message(text);
    if (message.kind != MessageKind::none) {
        setWindowIcon(style()->standardIcon(icon_of(message.kind)));
        if (message.beep) {
            beep(message.kind);
        }
    }
    // The title keeps a CR that preceded its line feed; a title bar cannot show one.
    QString title = for_display(message.title);
    if (title.endsWith(QLatin1Char('\r'))) {
        title.chop(1);
    }
    setWindowTitle(title);
    body_->setPlainText(for_display(message.body));
    if (layout.centred_text) {
        QTextCursor all(body_->document());
        all.select(QTextCursor::Document);
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        all.mergeBlockFormat(centred);
    }
}

QString MessageDialog::bodyText() const {
    return body_->toPlainText();
}

int run_message_dialog(QWidget* owner, const MessageDialogTemplate& layout, const char* text,
                       const BeepFunction& beep) {
    MessageDialog dialog(owner, layout, text, beep);
    return dialog.exec();
}

} // namespace vornex
