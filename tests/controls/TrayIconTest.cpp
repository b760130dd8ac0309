// The tray icon's notification codes turned into events, without a notification area.
#include <QApplication>
#include <QMenu>
#include <QStyleHints>
#include <QWidget>
#include <QtTest>

#include "controls/TCoolTrayIcon.h"

using namespace deraz;

namespace {

// Every event of a tray icon, recorded by name in the order fired.
struct TRecorder {
    QStringList Events;
    explicit TRecorder(TCoolTrayIcon& Tray) {
        auto Named = [this](const char* Name) { return [this, Name](TCoolTrayIcon*) { Events << Name; }; };
        Tray.OnClick = Named("Click");
        Tray.OnDblClick = Named("DblClick");
        Tray.OnMouseEnter = Named("Enter");
        Tray.OnBalloonHintShow = Named("BalloonShow");
        Tray.OnBalloonHintHide = Named("BalloonHide");
        Tray.OnBalloonHintTimeout = Named("BalloonTimeout");
        Tray.OnBalloonHintClick = Named("BalloonClick");
        auto Button = [](Qt::MouseButton B) {
            return B == Qt::LeftButton ? "Left" : B == Qt::RightButton ? "Right" : "Middle";
        };
        Tray.OnMouseDown = [this, Button](TCoolTrayIcon*, Qt::MouseButton B, Qt::KeyboardModifiers, int,
                                          int) { Events << QString("Down") + Button(B); };
        Tray.OnMouseUp = [this, Button](TCoolTrayIcon*, Qt::MouseButton B, Qt::KeyboardModifiers, int, int) {
            Events << QString("Up") + Button(B);
        };
        Tray.OnMouseMove = [this](TCoolTrayIcon*, Qt::KeyboardModifiers, int, int) { Events << "Move"; };
    }
};

} // namespace

class TrayIconTest : public QObject {
    Q_OBJECT
private slots:
    void EachCodeFiresItsEvents() {
        struct TCase {
            int Behaviour;
            uint32_t Message;
            QStringList Expected;
        };
        const TCase Cases[] = {
            {0, tnMouseMove, {"Move"}},
            {0, tnRightDown, {"DownRight"}},
            {0, tnRightUp, {"UpRight"}},
            {1, tnRightUp, {}},
            {0, tnMiddleDown, {"DownMiddle"}},
            {0, tnMiddleUp, {"UpMiddle"}},
            {0, tnContextMenu, {}},
            {1, tnContextMenu, {"UpRight"}},
            {1, tnSelect, {"UpRight"}},
            {1, tnKeySelect, {"UpRight"}},
            {0, tnBalloonShow, {"BalloonShow"}},
            {0, tnBalloonHide, {"BalloonHide"}},
            {0, tnBalloonTimeout, {"BalloonTimeout"}},
            {0, tnBalloonUserClick, {"BalloonClick"}},
            {0, tnLeftDoubleClick, {"DblClick"}},
            {0, 999, {}},
        };
        for (const TCase& Case : Cases) {
            TCoolTrayIcon Tray;
            TRecorder Recorder(Tray);
            Tray.SetBehaviour(Case.Behaviour);
            Tray.HandleNotification(Case.Message);
            QCOMPARE(Recorder.Events, Case.Expected);
        }
        TCoolTrayIcon Disabled;
        TRecorder Recorder(Disabled);
        Disabled.SetEnabled(false);
        for (uint32_t Message : {tnLeftDown, tnLeftUp, tnRightDown, tnBalloonShow})
            Disabled.HandleNotification(Message);
        QVERIFY(Recorder.Events.isEmpty());
    }

    void AClickWaitsForTheDoubleClickTime() {
        TCoolTrayIcon Tray;
        TRecorder Recorder(Tray);
        Tray.HandleNotification(tnLeftDown);
        Tray.HandleNotification(tnLeftUp);
        // No click until the event loop has seen the double-click time pass.
        QCOMPARE(Recorder.Events, QStringList({"DownLeft", "UpLeft"}));
        QTRY_COMPARE(Recorder.Events.count("Click"), 1);

        // A double click reports only itself.
        Recorder.Events.clear();
        for (uint32_t Message : {tnLeftDown, tnLeftUp, tnLeftDoubleClick, tnLeftUp})
            Tray.HandleNotification(Message);
        QTest::qWait(QApplication::styleHints()->mouseDoubleClickInterval() + 100);
        QCOMPARE(Recorder.Events, QStringList({"DownLeft", "UpLeft", "DblClick", "UpLeft"}));

        // Without a double-click handler a click is reported at once.
        Tray.OnDblClick = nullptr;
        Recorder.Events.clear();
        Tray.HandleNotification(tnLeftDown);
        Tray.HandleNotification(tnLeftUp);
        QCOMPARE(Recorder.Events, QStringList({"DownLeft", "Click", "UpLeft"}));
    }

    void TheHintIsCutTo127Characters() {
        TCoolTrayIcon Tray;
        Tray.SetHint(QString(200, 'h'));
        QCOMPARE(Tray.Tip(), QString(127, 'h'));
        Tray.SetShowHint(false);
        QCOMPARE(Tray.Tip(), QString());
    }

    void IconsCycleAndTheIndexIsClamped() {
        TCoolTrayIcon Tray;
        Tray.SetIconIndex(3);
        QCOMPARE(Tray.IconIndex(), 0);
        QPixmap Red(16, 16), Green(16, 16);
        Red.fill(Qt::red);
        Green.fill(Qt::green);
        Tray.SetIconList({QIcon(Red), QIcon(Green)});
        Tray.SetIconIndex(5);
        QCOMPARE(Tray.IconIndex(), 1);
        QList<int> Next;
        Tray.OnCycle = [&](TCoolTrayIcon*, int Index) { Next << Index; };
        Tray.SetCycleIcons(true);
        QTest::qWait(60);
        QVERIFY(Next.isEmpty()); // an interval of 0 leaves the icon still
        Tray.SetCycleInterval(10);
        QTRY_VERIFY(Next.size() >= 3);
        QCOMPARE(Next.mid(0, 3), QList<int>({0, 1, 0}));
    }

    void DoubleClickRunsTheMenusDefaultItemAndTheAppButtonFollowsTheWindow() {
        TCoolTrayIcon Tray;
        QMenu Menu;
        int Triggered = 0;
        QAction* Return = Menu.addAction("Return to normal mode.", [&] { ++Triggered; });
        Menu.setDefaultAction(Return);
        Tray.SetPopupMenu(&Menu);
        Tray.HandleNotification(tnLeftDoubleClick);
        QCOMPARE(Triggered, 1);
        Tray.HandleNotification(tnRightDown);
        QTRY_VERIFY(Menu.isVisible());
        Menu.close();

        QWidget App;
        Tray.SetAppWindow(&App);
        Tray.ShowAppButton();
        QVERIFY(App.isVisible());
        Tray.HideAppButton();
        QVERIFY(!App.isVisible());
    }
};

QTEST_MAIN(TrayIconTest)
#include "TrayIconTest.moc"
