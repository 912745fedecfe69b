// The Select Language dialog: the fourteen entries of the language table.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace brisken {

class SelectLanguageDialog : public QDialog {
    Q_OBJECT
public:
    explicit SelectLanguageDialog(QWidget* parent = nullptr);

    // The index of the chosen entry after OK, -1 after Cancel or an OK with
    // nothing selected.
    int Choice() const { return choice_; }

private:
    void OnOk();

    QListWidget* list_;
    QPushButton* ok_;
    QPushButton* cancel_;
    int choice_ = -1;
};

} // namespace brisken
