#include "operatorinput.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>

bool showExposed(QWidget* window) {
    window->show();
    return QTest::qWaitForWindowExposed(window);
}

bool showAndActivate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

bool choose(QComboBox* box, int index) {
    if (index < 0 || index >= box->count()) {
        qWarning("choose: no entry %d in a list of %d", index, box->count());
        return false;
    }
    QWidget* window = box->window();
    if (!window->isVisible() && !showExposed(window)) {
        qWarning("choose: the window was never shown");
        return false;
    }

    box->showPopup();
    QAbstractItemView* list = box->view();
    const QModelIndex entry = box->model()->index(index, box->modelColumn(), box->rootModelIndex());
    list->scrollTo(entry);
    // An entry may be drawn wider than the list; click where both overlap.
    const QPoint where = list->visualRect(entry).intersected(list->viewport()->rect()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);

    if (list->isVisible() || box->currentIndex() != index) {
        qWarning("choose: clicking entry %d left entry %d chosen, the list %s", index,
                 box->currentIndex(), list->isVisible() ? "open" : "closed");
        box->hidePopup();
        return false;
    }
    return true;
}
