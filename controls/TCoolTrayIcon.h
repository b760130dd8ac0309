// A notification-area icon with a tool tip and a popup menu, whose notifications become mouse
// events. The notification codes are handled by one function, HandleNotification, which the
// tray's activations feed and which works without a notification area at all.
#pragma once

#include <QIcon>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>

class QSystemTrayIcon;
class QWidget;

namespace deraz {

// The notification codes of the icon's callback.
enum TTrayNotification : uint32_t {
    tnMouseMove = 512,
    tnLeftDown = 513,
    tnLeftUp = 514,
    tnLeftDoubleClick = 515,
    tnRightDown = 516,
    tnRightUp = 517,
    tnMiddleDown = 519,
    tnMiddleUp = 520,
    tnContextMenu = 123,
    tnSelect = 1024,
    tnKeySelect = 1025,
    tnBalloonShow = 1026,
    tnBalloonHide = 1027,
    tnBalloonTimeout = 1028,
    tnBalloonUserClick = 1029,
};

class TCoolTrayIcon : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TCoolTrayIcon* Sender)>;
    using TMouseEvent = std::function<void(TCoolTrayIcon* Sender, Qt::MouseButton Button,
                                           Qt::KeyboardModifiers Shift, int X, int Y)>;
    using TMouseMoveEvent =
        std::function<void(TCoolTrayIcon* Sender, Qt::KeyboardModifiers Shift, int X, int Y)>;
    using TCycleEvent = std::function<void(TCoolTrayIcon* Sender, int NextIndex)>;

    // Longest tool tip the notification area shows.
    static constexpr int MaxHintLength = 127;

    explicit TCoolTrayIcon(QObject* Owner = nullptr);
    ~TCoolTrayIcon() override;

    QIcon Icon() const { return FIcon; }
    void SetIcon(const QIcon& Value);
    bool IconVisible() const { return FIconVisible; }
    void SetIconVisible(bool Value);
    QString Hint() const { return FHint; }
    void SetHint(const QString& Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    // The tool tip as shown: at most MaxHintLength characters of Hint, empty without ShowHint.
    QString Tip() const;
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value) { FPopupMenu = Value; }
    bool LeftPopup() const { return FLeftPopup; }
    void SetLeftPopup(bool Value) { FLeftPopup = Value; }
    // Whether mouse notifications become events.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    QList<QIcon> IconList() const { return FIconList; }
    void SetIconList(const QList<QIcon>& Value) { FIconList = Value; }
    int IconIndex() const { return FIconIndex; }
    void SetIconIndex(int Value);
    bool CycleIcons() const { return FCycleIcons; }
    void SetCycleIcons(bool Value);
    uint32_t CycleInterval() const { return FCycleInterval; }
    void SetCycleInterval(uint32_t Value);
    bool WantEnterExitEvents() const { return FWantEnterExitEvents; }
    void SetWantEnterExitEvents(bool Value);
    // 0: the right button's release reports OnMouseUp; 1: the select and context-menu codes do.
    int Behaviour() const { return FBehaviour; }
    void SetBehaviour(int Value) { FBehaviour = Value; }
    // The window whose visibility stands for the program's taskbar button.
    void SetAppWindow(QWidget* Value) { FAppWindow = Value; }

    void AddToTray();
    void RemoveFromTray();
    void UpdateTray();
    void HideAppButton();
    void ShowAppButton();
    // Shows a message beside the icon (a desktop notification where there is no tray).
    void ShowBalloonHint(const QString& Title, const QString& Text);

    // Turns one notification code into the component's events.
    void HandleNotification(uint32_t Message);

    TNotifyEvent OnClick, OnDblClick, OnMouseEnter, OnMouseExit;
    TNotifyEvent OnBalloonHintShow, OnBalloonHintHide, OnBalloonHintTimeout, OnBalloonHintClick;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TCycleEvent OnCycle;

private:
    void ShowPopup();
    void ClickTimerFired();
    void CycleStep();
    void ExitCheck();
    void MouseButtonEvent(const TMouseEvent& Event, Qt::MouseButton Button);

    QSystemTrayIcon* FTray;
    QIcon FIcon;
    bool FIconVisible = false;
    QString FHint;
    bool FShowHint = true;
    QPointer<QMenu> FPopupMenu;
    bool FLeftPopup = false;
    bool FEnabled = true;
    QList<QIcon> FIconList;
    int FIconIndex = 0;
    bool FCycleIcons = false;
    uint32_t FCycleInterval = 0;
    bool FWantEnterExitEvents = false;
    int FBehaviour = 0;
    QPointer<QWidget> FAppWindow;

    QTimer FCycleTimer, FClickTimer, FExitTimer;
    QPoint FCursorPos;
    bool FCursorKnown = false;
    bool FClickStarted = false, FClickPending = false, FDoubleClicked = false, FPointerOut = true;
};

} // namespace deraz
