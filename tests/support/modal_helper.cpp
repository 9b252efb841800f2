#include "modal_helper.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace vornex::test {

namespace {

void poll(std::function<void(QWidget*)> action, std::shared_ptr<bool> ran,
          std::shared_ptr<bool> alive, std::shared_ptr<QElapsedTimer> clock, int timeout_ms) {
    if (!*alive || *ran)
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible()) {
        *ran = true;
        action(modal);
        return;
    }
    if (clock->elapsed() <= timeout_ms)
        QTimer::singleShot(10, [=] { poll(action, ran, alive, clock, timeout_ms); });
}

} // namespace

ModalAnswer::ModalAnswer(std::function<void(QWidget*)> action, int timeout_ms)
    : ran_(std::make_shared<bool>(false)), alive_(std::make_shared<bool>(true)) {
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QTimer::singleShot(
        0, [=, ran = ran_, alive = alive_] { poll(action, ran, alive, clock, timeout_ms); });
}

ModalAnswer::~ModalAnswer() {
    *alive_ = false;
}

void type_into(QWidget* parent, const char* name, const QString& text) {
    auto* edit = child<QLineEdit>(parent, name);
    ASSERT_NE(edit, nullptr);
    edit->clear();
    QTest::keyClicks(edit, text);
}

void press(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    QPushButton* button = buttons != nullptr ? buttons->button(which) : nullptr;
    ASSERT_NE(button, nullptr) << "no such button in " << dialog->windowTitle().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

bool wait_for(const std::function<bool()>& condition, int timeout_ms) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

QString save_screenshot(QWidget* widget, const QString& name) {
    QString folder = qEnvironmentVariable("VORNEX_TEST_OUTPUT");
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    widget->grab().save(path);
    return path;
}

} // namespace vornex::test
