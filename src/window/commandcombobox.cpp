#include "commandcombobox.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QSignalBlocker>

CommandComboBox::CommandComboBox(QWidget* parent) : WholeEntryComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // No completion: it would rewrite what the operator types.
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CommandComboBox::onTextEdited);
    connect(this, &QComboBox::activated, this, &CommandComboBox::showChosenFromStart);
}

void CommandComboBox::onTextEdited(const QString& text) {
    if (currentIndex() != -1 && text != itemText(currentIndex())) {
        // Dropping the choice clears the field in Qt; put the typed text back.
        const int cursor = lineEdit()->cursorPosition();
        {
            const QSignalBlocker quiet(this);
            setCurrentIndex(-1);
        }
        lineEdit()->setText(text);
        lineEdit()->setCursorPosition(cursor);
    }
    emit textEditedByUser();
}

void CommandComboBox::showChosenFromStart() {
    // Qt puts the cursor after a chosen entry's text, and the field scrolls
    // to keep the cursor in view: a long command would show only its end.
    if (currentIndex() != -1)
        lineEdit()->home(false);
}

void CommandComboBox::focusOutEvent(QFocusEvent* event) {
    WholeEntryComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) {
        showChosenFromStart();
        emit focusLost();
    }
}
