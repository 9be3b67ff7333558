// The command list: a combo box with an editable text field whose typed text
// never becomes an item. Like a classic combo box, typing text other than the
// chosen item's leaves no item chosen, so the button sends only what the list
// shows as chosen. A chosen command too long for the field reads from its
// first character, when chosen and whenever the focus leaves the box.
#pragma once

#include "wholeentrycombobox.h"

class CommandComboBox : public WholeEntryComboBox {
    Q_OBJECT
public:
    explicit CommandComboBox(QWidget* parent = nullptr);

signals:
    // The operator changed the text field (never raised by changes in code).
    void textEditedByUser();
    // The keyboard focus left the box (opening its own drop-down list aside).
    void focusLost();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void onTextEdited(const QString& text);
    void showChosenFromStart();
};
