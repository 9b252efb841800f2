#pragma once
// The way every dialog of the program opens: centred on its owner and kept inside the
// screen's available area. SimpleDialog also gives the plain inform-or-ask dialogs their
// end values (OK 1, Cancel, Escape and the close box 2).

#include <QDialog>
#include <QSize>

class QWidget;

namespace vornex {

// Moves `window` (without resizing it) so that it is centred on `owner` inside the work
// area of the screen `owner` is on; with no owner, centred on that screen's work area.
void center_on_owner(QWidget* window, const QWidget* owner);

// Dialog-unit sizes as the program's dialog templates give them, in pixels of `font_of`'s
// font: a horizontal unit is a quarter of the average character width, a vertical unit an
// eighth of the character height.
QSize dialog_units_to_pixels(const QWidget* font_of, int width_units, int height_units);

class SimpleDialog : public QDialog {
    Q_OBJECT
public:
    explicit SimpleDialog(QWidget* owner);

    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
};

// The About box: the program title in its text control and an OK button.
class AboutDialog : public SimpleDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* owner);
};

} // namespace vornex
