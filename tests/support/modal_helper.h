#pragma once
// Answers the next modal dialog of a GUI test: a timer waits for a modal widget to appear,
// hands it to the test's action (look at it, grab it, click a button), and records that it
// ran, so a test can tell "the dialog never came" from "the dialog was answered".

#include <QDialogButtonBox>
#include <QString>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace vornex::test {

class ModalAnswer {
public:
    // Starts watching; `action` runs once, on the first visible modal widget.
    explicit ModalAnswer(std::function<void(QWidget*)> action, int timeout_ms = 5000);
    ~ModalAnswer();

    bool ran() const { return *ran_; }

private:
    std::shared_ptr<bool> ran_;
    std::shared_ptr<bool> alive_;
};

// The child of `parent` with this object name; a missing one fails the test (and gives null).
template <typename T>
T* child(QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Clears the line edit of this object name and types `text` into it, key by key.
void type_into(QWidget* parent, const char* name, const QString& text);

// Clicks a standard button (Ok, Cancel) of the dialog's button box; a missing one fails the
// test.
void press(QWidget* dialog, QDialogButtonBox::StandardButton which);

// Runs the event loop until `condition` holds; false when `timeout_ms` passed first.
bool wait_for(const std::function<bool()>& condition, int timeout_ms = 30000);

// Saves a picture of `widget` into the test output folder; returns the file's path.
QString save_screenshot(QWidget* widget, const QString& name);

} // namespace vornex::test
