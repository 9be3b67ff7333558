#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace window {

namespace {

int openBoxes = 0;

MessagePresenter& presenter() {
    static MessagePresenter p;
    return p;
}

void showRealBox(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace

void setMessagePresenter(MessagePresenter p) {
    presenter() = std::move(p);
}

bool isModalBoxOpen() {
    return openBoxes > 0;
}

void presentModal(const QString& title, const QString& text) {
    ++openBoxes;
    struct Closed {
        ~Closed() { --openBoxes; }
    } closed;
    if (presenter())
        presenter()(title, text);
    else
        showRealBox(title, text);
}

void showMessage(const QString& text) {
    presentModal(QStringLiteral("Solvane"), text);
}

} // namespace window
