#pragma once
// The Qt answers to the shell's platform seams: file dialogs and detached processes, and
// the way an OwnerWindow handle turns back into its widget.

#include "base/file_chooser.h"
#include "shell/shell.h"

#include <QString>

class QWidget;

namespace vornex {

// The widget an OwnerWindow names; the null handle stands for `main_window`.
QWidget* owner_widget(OwnerWindow owner, QWidget* main_window);

QString to_qstring(const std::filesystem::path& path);
std::filesystem::path to_path(const QString& text);

class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* main_window) : main_window_(main_window) {}

    std::optional<std::filesystem::path> open_file(OwnerWindow owner,
                                                   const FileRequest& request) override;
    std::optional<std::filesystem::path> save_file(OwnerWindow owner,
                                                   const FileRequest& request) override;

private:
    QWidget* main_window_;
};

class QtProcessLauncher : public ProcessLauncher {
public:
    int start_detached(const CommandLine& command) override;
};

} // namespace vornex
