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

void CommandComboBox::focusOutEvent(QFocusEvent* event) {
    WholeEntryComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        emit focusLost();
}
