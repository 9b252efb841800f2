#include "gui/app/comment_file_dialogs.h"

#include "gui/app/qt_platform.h"
#include "gui/app/simple_dialog.h"
#include "shell/comment_file_browse.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vornex {

int run_comment_file_dialog(QWidget* owner, CommentDialog which) {
    const comment_dialog_text& text = comment_dialog(which);
    SimpleDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("commentFileDialog"));
    dialog.setWindowTitle(QString::fromLatin1(text.title));
    auto* layout = new QVBoxLayout(&dialog);
    for (const char* paragraph : text.paragraphs) {
        if (paragraph != nullptr) {
            auto* label = new QLabel(QString::fromLatin1(paragraph), &dialog);
            label->setWordWrap(true);
            label->setMinimumWidth(420);
            layout->addWidget(label);
        }
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* accept =
        buttons->addButton(QString::fromLatin1(text.accept_button), QDialogButtonBox::AcceptRole);
    accept->setDefault(true);
    if (text.reject_button != nullptr) {
        buttons->addButton(QString::fromLatin1(text.reject_button), QDialogButtonBox::RejectRole);
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &SimpleDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &SimpleDialog::reject);
    layout->addWidget(buttons);
    dialog.setFixedSize(dialog.sizeHint());
    return dialog.exec();
}

int QtCommentFileChooser::run_comment_dialog(Presenter&, OwnerWindow owner, CommentDialog which) {
    return run_comment_file_dialog(owner_widget(owner, main_window_), which);
}

int QtCommentFileChooser::comment_file_browse(OwnerWindow owner, device_config& config) {
    return vornex::comment_file_browse(owner, *chooser_, settings_, config);
}

} // namespace vornex
