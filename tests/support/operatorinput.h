// The operator's hand on the real widgets: input goes through QTest, so the
// controls raise the same signals as they do for a person.
#pragma once

class QComboBox;
class QWidget;

// Shows the window and waits until it is exposed, so that it has its size and
// is drawn. False when it never was.
[[nodiscard]] bool showExposed(QWidget* window);

// Shows the window and waits until it is the active one, so that focus and
// keyboard input reach its controls. False when it never became active.
[[nodiscard]] bool showAndActivate(QWidget* window);

// Opens the combo box's drop-down list and clicks entry `index` with the
// mouse, showing the box's window first if it is hidden. False, with a
// warning that says why, when the list did not close on that entry.
[[nodiscard]] bool choose(QComboBox* box, int index);
