#include "wholeentrycombobox.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QToolTip>

namespace {

// The closed box draws its text a little inside its edit field.
constexpr int textInset = 4;

} // namespace

WholeEntryComboBox::WholeEntryComboBox(QWidget* parent) : QComboBox(parent) {
    // A list rebuilt under an open drop-down would leave it sized and placed
    // for the old entries.
    connect(model(), &QAbstractItemModel::rowsRemoved, this, [this] {
        if (view()->isVisible())
            hidePopup();
    });
}

void WholeEntryComboBox::showPopup() {
    view()->setMinimumWidth(wholeEntriesWidth());
    QComboBox::showPopup();
}

int WholeEntryComboBox::wholeEntriesWidth() const {
    const QAbstractItemView* list = view();
    int width = list->sizeHintForColumn(modelColumn()) + 2 * list->frameWidth();
    if (count() > maxVisibleItems())
        width += list->verticalScrollBar()->sizeHint().width();
    return width;
}

QString WholeEntryComboBox::cutText() const {
    const QString text = currentText();
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const int room =
        style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
            .width() -
        textInset;
    return fontMetrics().horizontalAdvance(text) > room ? text : QString();
}

bool WholeEntryComboBox::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QComboBox::event(event);
    const QString text = cutText();
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, this);
    return true;
}
