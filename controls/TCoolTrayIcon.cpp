#include "controls/TCoolTrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QWidget>

namespace deraz {

namespace {

constexpr int ExitCheckInterval = 20;

// The notification codes a tray activation stands for, in order.
QList<uint32_t> NotificationsOf(QSystemTrayIcon::ActivationReason Reason) {
    switch (Reason) {
    case QSystemTrayIcon::Trigger:
        return {tnLeftDown, tnLeftUp};
    case QSystemTrayIcon::DoubleClick:
        return {tnLeftDoubleClick};
    case QSystemTrayIcon::Context:
        return {tnRightDown, tnRightUp};
    case QSystemTrayIcon::MiddleClick:
        return {tnMiddleDown, tnMiddleUp};
    case QSystemTrayIcon::Unknown:
        break;
    }
    return {};
}

} // namespace

TCoolTrayIcon::TCoolTrayIcon(QObject* Owner) : QObject(Owner), FTray(new QSystemTrayIcon(this)) {
    FClickTimer.setSingleShot(true);
    FExitTimer.setInterval(ExitCheckInterval);
    connect(&FClickTimer, &QTimer::timeout, this, &TCoolTrayIcon::ClickTimerFired);
    connect(&FCycleTimer, &QTimer::timeout, this, &TCoolTrayIcon::CycleStep);
    connect(&FExitTimer, &QTimer::timeout, this, &TCoolTrayIcon::ExitCheck);
    connect(FTray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason Reason) {
        for (uint32_t Message : NotificationsOf(Reason)) HandleNotification(Message);
    });
    connect(FTray, &QSystemTrayIcon::messageClicked, this,
            [this] { HandleNotification(tnBalloonUserClick); });
}

TCoolTrayIcon::~TCoolTrayIcon() {
    RemoveFromTray();
}

void TCoolTrayIcon::SetIcon(const QIcon& Value) {
    FIcon = Value;
    UpdateTray();
}

void TCoolTrayIcon::SetIconVisible(bool Value) {
    if (Value)
        AddToTray();
    else
        RemoveFromTray();
}

void TCoolTrayIcon::SetHint(const QString& Value) {
    FHint = Value;
    UpdateTray();
}

void TCoolTrayIcon::SetShowHint(bool Value) {
    FShowHint = Value;
    UpdateTray();
}

QString TCoolTrayIcon::Tip() const {
    return FShowHint ? FHint.left(MaxHintLength) : QString();
}

void TCoolTrayIcon::SetIconIndex(int Value) {
    if (FIconList.isEmpty()) {
        FIconIndex = 0;
    } else {
        FIconIndex = std::clamp(Value, 0, int(FIconList.size()) - 1);
        SetIcon(FIconList[FIconIndex]);
    }
}

void TCoolTrayIcon::SetCycleIcons(bool Value) {
    FCycleIcons = Value;
    if (FCycleIcons && FCycleInterval > 0)
        FCycleTimer.start(int(FCycleInterval));
    else
        FCycleTimer.stop();
}

void TCoolTrayIcon::SetCycleInterval(uint32_t Value) {
    FCycleInterval = Value;
    SetCycleIcons(FCycleIcons);
}

void TCoolTrayIcon::SetWantEnterExitEvents(bool Value) {
    FWantEnterExitEvents = Value;
    if (Value)
        FExitTimer.start();
    else
        FExitTimer.stop();
}

void TCoolTrayIcon::AddToTray() {
    FIconVisible = true;
    UpdateTray();
    FTray->show();
}

void TCoolTrayIcon::RemoveFromTray() {
    FIconVisible = false;
    FTray->hide();
}

void TCoolTrayIcon::UpdateTray() {
    FTray->setIcon(FIcon);
    FTray->setToolTip(Tip());
}

void TCoolTrayIcon::HideAppButton() {
    if (FAppWindow && FAppWindow->isVisible()) FAppWindow->hide();
}

void TCoolTrayIcon::ShowAppButton() {
    if (FAppWindow && !FAppWindow->isVisible()) FAppWindow->show();
}

void TCoolTrayIcon::ShowBalloonHint(const QString& Title, const QString& Text) {
    FTray->showMessage(Title, Text, FIcon);
    HandleNotification(tnBalloonShow);
}

void TCoolTrayIcon::MouseButtonEvent(const TMouseEvent& Event, Qt::MouseButton Button) {
    if (!Event) return;
    QPoint At = QCursor::pos();
    Event(this, Button, QApplication::queryKeyboardModifiers(), At.x(), At.y());
}

void TCoolTrayIcon::HandleNotification(uint32_t Message) {
    if (!FEnabled) return;
    auto Fire = [this](const TNotifyEvent& Event) {
        if (Event) Event(this);
    };
    switch (Message) {
    case tnMouseMove: {
        if (FWantEnterExitEvents && FPointerOut) {
            FPointerOut = false;
            Fire(OnMouseEnter);
        }
        FCursorPos = QCursor::pos();
        FCursorKnown = true;
        if (OnMouseMove)
            OnMouseMove(this, QApplication::queryKeyboardModifiers(), FCursorPos.x(), FCursorPos.y());
        break;
    }
    case tnLeftDown:
        if (OnDblClick) FClickTimer.start(QApplication::styleHints()->mouseDoubleClickInterval());
        MouseButtonEvent(OnMouseDown, Qt::LeftButton);
        FClickStarted = true;
        if (FLeftPopup) ShowPopup();
        break;
    case tnLeftUp:
        if (FClickStarted) {
            FClickPending = true;
            if (!FClickTimer.isActive()) {
                FClickStarted = FClickPending = false;
                Fire(OnClick);
            }
        }
        FClickStarted = false;
        MouseButtonEvent(OnMouseUp, Qt::LeftButton);
        break;
    case tnLeftDoubleClick:
        FClickPending = false;
        FDoubleClicked = true;
        Fire(OnDblClick);
        if (FPopupMenu && !FLeftPopup)
            if (QAction* Default = FPopupMenu->defaultAction()) Default->trigger();
        break;
    case tnRightDown:
        MouseButtonEvent(OnMouseDown, Qt::RightButton);
        ShowPopup();
        break;
    case tnRightUp:
        if (FBehaviour == 0) MouseButtonEvent(OnMouseUp, Qt::RightButton);
        break;
    case tnSelect:
    case tnKeySelect:
    case tnContextMenu:
        if (FBehaviour == 1) MouseButtonEvent(OnMouseUp, Qt::RightButton);
        break;
    case tnMiddleDown:
        MouseButtonEvent(OnMouseDown, Qt::MiddleButton);
        break;
    case tnMiddleUp:
        MouseButtonEvent(OnMouseUp, Qt::MiddleButton);
        break;
    case tnBalloonShow:
        Fire(OnBalloonHintShow);
        break;
    case tnBalloonHide:
        Fire(OnBalloonHintHide);
        break;
    case tnBalloonTimeout:
        Fire(OnBalloonHintTimeout);
        break;
    case tnBalloonUserClick:
        Fire(OnBalloonHintClick);
        break;
    }
}

void TCoolTrayIcon::ShowPopup() {
    if (!FPopupMenu) return;
    // Where the pointer is now: the icon reports no movement on every platform, so a position
    // kept from an earlier event may be far from the click.
    FCursorPos = QCursor::pos();
    FCursorKnown = true;
    // A popup closes by itself when the user clicks elsewhere.
    FPopupMenu->popup(FCursorPos);
}

void TCoolTrayIcon::ClickTimerFired() {
    if (!FDoubleClicked && FClickPending) {
        FClickPending = false;
        if (OnClick) OnClick(this);
    }
    FDoubleClicked = false;
}

void TCoolTrayIcon::CycleStep() {
    if (FIconList.isEmpty()) return;
    int Next = (FIconIndex + 1) % int(FIconList.size());
    SetIcon(FIconList[FIconIndex]);
    if (OnCycle) OnCycle(this, Next);
    FIconIndex = Next;
}

void TCoolTrayIcon::ExitCheck() {
    if (FPointerOut || QCursor::pos() == FCursorPos) return;
    FPointerOut = true;
    if (OnMouseExit) OnMouseExit(this);
}

} // namespace deraz
