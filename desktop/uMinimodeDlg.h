// Mini mode: a small always-on-top window in the bottom-right corner of the screen with the
// batch's gauge, and an icon in the notification area, while the main window and the progress
// dialog are hidden. "Return to normal mode." (the icon's menu, or the window's own context menu
// and a double click where there is no notification area) brings them back; so does the end of
// the batch.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QMenu;

namespace deraz {

class TCoolTrayIcon;
class TGauge;

class TMinimodeDlg : public QDialog {
    Q_OBJECT
public:
    // MainWindow is hidden while mini mode lasts.
    explicit TMinimodeDlg(QWidget* MainWindow, QWidget* Parent = nullptr);

    TGauge* Prog;
    QLabel* Label1;
    QLabel* LblStatus;
    TCoolTrayIcon* TrayIcon;
    QMenu* PopupMenu1;

    bool Active() const { return FActive; }
    // Hides the main window and ProgressWindow and shows this window and the icon.
    void Enter(QWidget* ProgressWindow);
    // Shows the main window and the progress window again and removes the icon; once only.
    void ReturnToNormalMode();
    // The overall percentage in the window title and the icon's tool tip.
    void ShowPercent(int Percent);

    // Raised after a return to normal mode.
    std::function<void()> OnReturned;
    // Raised by closing this window (the title bar, Alt+F4) or Ctrl+Q: the program may end.
    std::function<void()> OnLeave;

    void reject() override {}

protected:
    void closeEvent(QCloseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    QWidget* FMainWindow;
    QWidget* FProgressWindow = nullptr;
    bool FActive = false;
};

} // namespace deraz
