#include "clickableslider.h"

#include <QMouseEvent>

ClickableSlider::ClickableSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {}

void ClickableSlider::mousePressEvent(QMouseEvent* event) {
    QSlider::mousePressEvent(event);
    m_pressed = event->button() == Qt::LeftButton;
}

void ClickableSlider::mouseReleaseEvent(QMouseEvent* event) {
    // The slider settles its value first, so the click sees the new position.
    QSlider::mouseReleaseEvent(event);
    const bool wasPressed = m_pressed && event->button() == Qt::LeftButton;
    m_pressed = false;
    if (wasPressed)
        emit clicked();
}
