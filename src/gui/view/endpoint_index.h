#pragma once
// The endpoint index: the small control in the lower right of the map window that lists
// every name an endpoint has, sorted, with a search box. Choosing a name (double-click, or
// Enter in the list) reports its endpoint so the map window can show it and its far end.

#include "base/changes.h"
#include "view/endpoint_index.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vornex {

struct Box;
struct HsEntry;

class EndpointIndex : public QWidget, private ChangeListener {
    Q_OBJECT
public:
    // Sized 174 by 298 by the map window; filled at once from `box`.
    EndpointIndex(Box& box, QWidget* parent);
    ~EndpointIndex() override;

signals:
    void chosen(HsEntry* node);

public slots:
    // Fills the list again, keeping its first visible row (identifiers changed).
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changed(unsigned flags) override;
    void search(int direction);
    void choose();

    Box& box_;
    std::vector<IndexRow> rows_;
    IndexSearch search_;
    QListWidget* list_;
    QLineEdit* search_edit_;
    QCheckBox* substring_;
    QPushButton* next_;
    QPushButton* prev_;
    QLineEdit* status_;
};

} // namespace vornex
