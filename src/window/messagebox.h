// The program's modal message boxes.
#pragma once

#include <QString>

#include <functional>

namespace window {

// A modal box with an OK button and no icon, titled with the application's
// name; returns once the operator has closed it.
void showMessage(const QString& text);

// True while a box of showMessage or of the error report is open.
bool isModalBoxOpen();

// Tests answer boxes without a nested event loop. An empty presenter restores
// the real box.
using MessagePresenter = std::function<void(const QString& title, const QString& text)>;
void setMessagePresenter(MessagePresenter presenter);

// Shows a box through the presenter, marking it open meanwhile.
void presentModal(const QString& title, const QString& text);

} // namespace window
