#include "desktop/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace deraz {

namespace {

QMessageBox::StandardButton Show(QWidget* Parent, QMessageBox::Icon Icon, const QString& Title,
                                 const QString& Text, QMessageBox::StandardButtons Buttons) {
    QApplication::beep();
    QMessageBox Box(Icon, Title.isEmpty() ? QString(ApplicationTitle) : Title, Text, Buttons, Parent);
    Box.setObjectName("MessageBox");
    return QMessageBox::StandardButton(Box.exec());
}

} // namespace

void ShowError(QWidget* Parent, const QString& Text) {
    Show(Parent, QMessageBox::Critical, {}, Text, QMessageBox::Ok);
}

void ShowInformation(QWidget* Parent, const QString& Text) {
    Show(Parent, QMessageBox::Information, {}, Text, QMessageBox::Ok);
}

bool AskWarning(QWidget* Parent, const QString& Text) {
    return Show(Parent, QMessageBox::Warning, {}, Text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

bool AskInformation(QWidget* Parent, const QString& Title, const QString& Text) {
    return Show(Parent, QMessageBox::Information, Title, Text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

} // namespace deraz
