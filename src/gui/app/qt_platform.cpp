#include "gui/app/qt_platform.h"

#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <cerrno>

namespace vornex {

namespace {

QString filter_text(const std::vector<FileFilter>& filters) {
    QStringList parts;
    for (const FileFilter& filter : filters) {
        parts << QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.label),
                                               QString::fromStdString(filter.pattern));
    }
    return parts.join(QStringLiteral(";;"));
}

// Where the dialog opens: the start folder with the proposed name, or the name alone.
QString start_path(const FileRequest& request) {
    if (request.start_folder.empty()) {
        return to_qstring(request.proposed);
    }
    return QDir(to_qstring(request.start_folder)).filePath(to_qstring(request.proposed.filename()));
}

std::optional<std::filesystem::path> chosen(const QString& file) {
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return to_path(file);
}

} // namespace

QWidget* owner_widget(OwnerWindow owner, QWidget* main_window) {
    if (owner.handle == nullptr) {
        return main_window;
    }
    // The GUI makes every non-null handle from a widget.
    return const_cast<QWidget*>(static_cast<const QWidget*>(owner.handle));
}

QString to_qstring(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(text.data()),
                             static_cast<qsizetype>(text.size()));
}

std::filesystem::path to_path(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::optional<std::filesystem::path> QtFileChooser::open_file(OwnerWindow owner,
                                                              const FileRequest& request) {
    return chosen(QFileDialog::getOpenFileName(owner_widget(owner, main_window_),
                                               QString::fromStdString(request.title),
                                               start_path(request), filter_text(request.filters)));
}

std::optional<std::filesystem::path> QtFileChooser::save_file(OwnerWindow owner,
                                                              const FileRequest& request) {
    return chosen(QFileDialog::getSaveFileName(owner_widget(owner, main_window_),
                                               QString::fromStdString(request.title),
                                               start_path(request), filter_text(request.filters),
                                               nullptr, QFileDialog::DontConfirmOverwrite));
}

int QtProcessLauncher::start_detached(const CommandLine& command) {
    // Each word goes over as one argument, never split again by a shell or by Qt.
    QStringList words;
    for (const std::string& word : command.words) {
        words << QString::fromStdString(word);
    }
    if (words.isEmpty()) {
        return ENOENT;
    }
    const QString program = QStandardPaths::findExecutable(words.takeFirst());
    // Not on the search path: the code the system gives for a file that is not there.
    if (program.isEmpty()) {
        return ENOENT;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(words);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        return EACCES;
    }
    return 0;
}

} // namespace vornex
