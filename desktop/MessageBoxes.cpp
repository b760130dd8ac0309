#include "desktop/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace deraz {

namespace {

QMessageBox::StandardButton Show(QWidget* Parent, QMessageBox::Icon Icon, const QString& Title,
                                 const QString& Text, QMessageBox::StandardButtons Buttons,
                                 const QString& Details = {}, bool Beep = true) {
    if (Beep) QApplication::beep();
    QMessageBox Box(Icon, Title.isEmpty() ? QString(ApplicationTitle) : Title, Text, Buttons, Parent);
    Box.setObjectName("MessageBox");
    Box.setDetailedText(Details);
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

void ShowCompletion(QWidget* Parent, const QString& Text, const QString& Details, bool Warn, bool Beep) {
    Show(Parent, Warn ? QMessageBox::Warning : QMessageBox::Information, {}, Text, QMessageBox::Ok, Details,
         Beep);
}

} // namespace deraz
