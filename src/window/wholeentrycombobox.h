// A combo box whose drop-down list is wide enough to show every entry whole,
// whose closed box shows its text whole in a tooltip when it is too narrow
// for it, and whose open drop-down closes when its entries are removed.
#pragma once

#include <QComboBox>

class WholeEntryComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit WholeEntryComboBox(QWidget* parent = nullptr);

    void showPopup() override;

    // The width the drop-down list needs to show every entry whole.
    int wholeEntriesWidth() const;
    // The text of the closed box when the box cuts it; empty when it fits.
    QString cutText() const;

protected:
    bool event(QEvent* event) override;
};
