// The gauge's range rules and the pictures it composes.
#include <QApplication>
#include <QtTest>
#include <cstdlib>

#include "controls/TGauge.h"

using namespace deraz;

namespace {

const QColor Blue(0, 0, 255);
const QColor White(255, 255, 255);

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
    int Count = 0;
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Paint) ++Count;
        return false;
    }
};

} // namespace

class GaugeTest : public QObject {
    Q_OBJECT
private slots:
    void ProgressStaysInsideTheRange() {
        TGauge Gauge;
        QCOMPARE(Gauge.size(), QSize(100, 100));
        for (auto [Set, Stored] : {std::pair{150, 100}, {-5, 0}, {37, 37}}) {
            Gauge.SetProgress(Set);
            QCOMPARE(Gauge.Progress(), Stored);
        }
        Gauge.SetMaxValue(20);
        QCOMPARE(Gauge.Progress(), 20);
        Gauge.SetMinValue(20);
        QCOMPARE(Gauge.Percent(), 0);
        Gauge.SetMaxValue(1000000);
        Gauge.SetProgress(500020);
        QCOMPARE(Gauge.Percent(), 50);
    }

    void RangeSettersRefuseTheWrongSide() {
        TGauge Gauge;
        Gauge.SetMinValue(10);
        try {
            Gauge.SetMaxValue(5);
            QFAIL("no error");
        } catch (const EInvalidOperation& E) {
            QCOMPARE(QString(E.what()), QString("Value must be between 11 and 2147483647"));
        }
        try {
            Gauge.SetMinValue(101);
            QFAIL("no error");
        } catch (const EInvalidOperation& E) {
            QCOMPARE(QString(E.what()), QString("Value must be between -2147483647 and 99"));
        }
        QCOMPARE(Gauge.MinValue(), 10);
        QCOMPARE(Gauge.MaxValue(), 100);
    }

    void RepaintsOnlyWhenThePercentChanges() {
        TGauge Gauge;
        Gauge.SetMaxValue(1000000);
        Gauge.SetProgress(1000);
        Gauge.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Gauge));
        TPaintCounter Counter;
        Gauge.installEventFilter(&Counter);
        Gauge.SetProgress(1001);
        QTest::qWait(50);
        QCOMPARE(Counter.Count, 0);
        Gauge.SetProgress(20000);
        QTRY_COMPARE(Counter.Count, 1);
    }

    void ABorderedBarFillsTheInsideOfItsFrame() {
        TGauge Gauge;
        Gauge.resize(60, 20);
        Gauge.SetShowText(false);
        Gauge.SetForeColor(Blue);
        for (int Percent : {100, 0}) {
            Gauge.SetProgress(Percent);
            QImage Picture = Gauge.Render();
            for (int Y = 0; Y < 20; ++Y)
                for (int X = 0; X < 60; ++X) {
                    bool Frame = X == 0 || Y == 0 || X == 59 || Y == 19;
                    QColor Expected = Frame ? QColor(Qt::black) : Percent == 100 ? Blue : White;
                    QVERIFY2(Picture.pixelColor(X, Y) == Expected,
                             qPrintable(QString("%1,%2 at %3%").arg(X).arg(Y).arg(Percent)));
                }
        }
    }

    void TheTextShowsInvertedOverTheBar() {
        TGauge Gauge;
        Gauge.resize(120, 30);
        Gauge.SetForeColor(Blue);
        Gauge.SetProgress(50);
        QImage WithText = Gauge.Render();
        Gauge.SetShowText(false);
        QImage Plain = Gauge.Render();

        // Every pixel of the text is the inverse of what lies under it, and the text sits in the
        // middle of the gauge, across the edge of the half-filled bar.
        int OverBar = 0, OverBack = 0;
        QRect Text;
        for (int Y = 0; Y < 30; ++Y)
            for (int X = 0; X < 120; ++X) {
                QColor Under = Plain.pixelColor(X, Y), Shown = WithText.pixelColor(X, Y);
                if (Shown == Under) continue;
                QVERIFY2(Shown == QColor(255 - Under.red(), 255 - Under.green(), 255 - Under.blue()),
                         qPrintable(QString("%1,%2").arg(X).arg(Y)));
                ++(Under == Blue ? OverBar : OverBack);
                Text |= QRect(X, Y, 1, 1);
            }
        QVERIFY(OverBar > 0);
        QVERIFY(OverBack > 0);
        QVERIFY2(std::abs(Text.center().x() - 60) <= 2 && std::abs(Text.center().y() - 15) <= 2,
                 qPrintable(QString("text centred at %1,%2").arg(Text.center().x()).arg(Text.center().y())));
    }

    void EveryKindDrawsItsShape() {
        struct TCase {
            TGaugeKind Kind;
            int Percent;
            QPoint Point;
            bool Filled; // ForeColor there, otherwise not
        };
        const TCase Cases[] = {
            {gkText, 100, {50, 50}, false},
            {gkVerticalBar, 50, {50, 80}, true},
            {gkVerticalBar, 50, {50, 20}, false},
            {gkHorizontalBar, 30, {20, 50}, true},
            {gkHorizontalBar, 30, {40, 50}, false},
            {gkPie, 25, {70, 30}, true},
            {gkPie, 25, {30, 30}, false},
            {gkPie, 25, {70, 70}, false},
            {gkPie, 75, {30, 70}, true},
            {gkPie, 0, {50, 30}, false},
            {gkNeedle, 50, {50, 40}, true},
            {gkNeedle, 50, {30, 60}, false},
            {gkNeedle, 0, {30, 60}, false},
            {gkNeedle, 100, {90, 98}, true},
        };
        for (const TCase& Case : Cases) {
            TGauge Gauge;
            Gauge.SetShowText(false);
            Gauge.SetForeColor(Blue);
            Gauge.SetKind(Case.Kind);
            Gauge.SetProgress(Case.Percent);
            bool Filled = Gauge.Render().pixelColor(Case.Point) == Blue;
            QVERIFY2(Filled == Case.Filled, qPrintable(QString("kind %1 at %2%, %3,%4")
                                                           .arg(Case.Kind)
                                                           .arg(Case.Percent)
                                                           .arg(Case.Point.x())
                                                           .arg(Case.Point.y())));
        }
    }
};

QTEST_MAIN(GaugeTest)
#include "GaugeTest.moc"
