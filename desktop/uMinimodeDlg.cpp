#include "desktop/uMinimodeDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>

#include "controls/TCoolTrayIcon.h"
#include "controls/TGauge.h"
#include "desktop/uWindowStyle.h"

namespace deraz {

namespace {
const QString Title = "Deraz Audio Converter";
}

TMinimodeDlg::TMinimodeDlg(QWidget* MainWindow, QWidget* Parent) : QDialog(Parent), FMainWindow(MainWindow) {
    setWindowTitle(Title);
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(115, 52);
    SetFormColor(this);

    Prog = new TGauge(this);
    Prog->setGeometry(4, 30, 107, 18);
    Prog->SetForeColor(Qt::red);
    Label1 = new QLabel(tr("Converting file:"), this);
    Label1->setGeometry(4, 2, 107, 14);
    LblStatus = new QLabel(this);
    LblStatus->setGeometry(4, 15, 107, 14);

    PopupMenu1 = new QMenu(this);
    QAction* Return =
        PopupMenu1->addAction(tr("Return to normal mode."), this, &TMinimodeDlg::ReturnToNormalMode);
    PopupMenu1->setDefaultAction(Return);
    TrayIcon = new TCoolTrayIcon(this);
    TrayIcon->SetIcon(QApplication::windowIcon());
    TrayIcon->SetHint(Title);
    TrayIcon->SetPopupMenu(PopupMenu1);
    auto* Quit = new QAction(this);
    Quit->setShortcut(QKeySequence("Ctrl+Q"));
    addAction(Quit);
    connect(Quit, &QAction::triggered, this, [this] {
        if (OnLeave) OnLeave();
    });
}

void TMinimodeDlg::closeEvent(QCloseEvent* Event) {
    Event->ignore();
    if (OnLeave) OnLeave();
}

void TMinimodeDlg::Enter(QWidget* ProgressWindow) {
    FProgressWindow = ProgressWindow;
    FActive = true;
    if (FMainWindow) FMainWindow->hide();
    if (FProgressWindow) FProgressWindow->hide();
    TrayIcon->SetIconVisible(true);
    show();
}

void TMinimodeDlg::ReturnToNormalMode() {
    if (!FActive) return;
    FActive = false;
    if (FMainWindow) FMainWindow->show();
    if (FProgressWindow) FProgressWindow->show();
    TrayIcon->SetIconVisible(false);
    hide();
    ShowPercent(-1);
    if (OnReturned) OnReturned();
}

void TMinimodeDlg::ShowPercent(int Percent) {
    QString Prefix = Percent < 0 ? QString() : QString::number(Percent) + "% - ";
    setWindowTitle(Prefix + Title);
    TrayIcon->SetHint(Prefix + Title);
}

void TMinimodeDlg::showEvent(QShowEvent* Event) {
    // The bottom-right corner of the screen's work area.
    QScreen* Screen = screen() ? screen() : QApplication::primaryScreen();
    QRect Area = Screen->availableGeometry();
    QRect Frame = frameGeometry();
    move(Area.right() - Frame.width() + 1, Area.bottom() - Frame.height() + 1);
    QDialog::showEvent(Event);
}

void TMinimodeDlg::mouseDoubleClickEvent(QMouseEvent*) {
    ReturnToNormalMode();
}

void TMinimodeDlg::contextMenuEvent(QContextMenuEvent* Event) {
    PopupMenu1->popup(Event->globalPos());
}

} // namespace deraz
