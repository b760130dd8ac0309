// The progress dialog and mini mode driving real conversions of small generated files.
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <filesystem>

#include "controls/TCoolTrayIcon.h"
#include "controls/TGauge.h"
#include "desktop/uConvDlg.h"
#include "desktop/uMinimodeDlg.h"
#include "driver/Settings.h"
#include "tests/desktop/UiTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace deraz;
namespace fs = std::filesystem;

namespace {

constexpr int32_t Rate = 44100;
constexpr int BatchTimeoutMs = 60000;

// A main window stand-in, the dialog and the mini window as the program makes them.
struct TDesk {
    test::TTempDir Dir;
    std::string Ini = Dir.File("Varidir.ini");
    QWidget Main;
    TConvDlg Conv{&Main, Ini};
    TMinimodeDlg Mini{&Main};
    QSignalSpy Announced{&Conv, &TConvDlg::BatchAnnounced};
    QStringList Captions;
    test::TMessageBoxAnswers Messages{QMessageBox::Ok};

    explicit TDesk(int32_t Jobs = 1) {
        Conv.SetMinimode(&Mini);
        TSettings(Ini).WriteParallelConversions(Jobs);
        QObject::connect(&Conv, &QWidget::windowTitleChanged, [this](const QString& T) { Captions << T; });
        Main.show();
    }
    std::string Wav(const std::string& Name, int32_t Seconds) {
        test::WritePcmWav(Dir.File(Name), test::MusicLikeSignal(Rate * Seconds / 4, 2, Rate / 4), 2,
                          Rate / 4);
        return Dir.File(Name);
    }
    // Count generated inputs NameI.wav, each converted to NameI + OutputExt.
    std::vector<TMediaEntry> Batch(const std::string& Name, int Count, int32_t Seconds,
                                   const std::string& OutputExt) {
        std::vector<TMediaEntry> Entries;
        for (int I = 0; I < Count; ++I) {
            std::string Stem = Name + std::to_string(I);
            Entries.push_back({Wav(Stem + ".wav", Seconds), Dir.File(Stem + OutputExt)});
        }
        return Entries;
    }
    bool WaitForEnd() {
        return QTest::qWaitFor([this] { return Announced.count() > 0; }, BatchTimeoutMs);
    }
};

} // namespace

class ConvDlgTest : public QObject {
    Q_OBJECT
private slots:
    void ABatchWithAFailingFileShowsCountsAndNamesIt() {
        TDesk Desk;
        std::string Broken = Desk.Dir.File("broken.wav");
        test::WriteFileBytes(Broken, {'R', 'I', 'F', 'F', 1, 2, 3});
        std::vector<TMediaEntry> Entries{{Desk.Wav("a.wav", 2), Desk.Dir.File("a.flac")},
                                         {Broken, Desk.Dir.File("broken.flac")},
                                         {Desk.Wav("c.wav", 2), Desk.Dir.File("c.ogg")}};
        Desk.Conv.StartBatch(Entries, false);
        QVERIFY(Desk.Conv.isVisible());
        QCOMPARE(Desk.Conv.BtnAbort->text(), QString("Abort conversion."));
        QVERIFY(Desk.WaitForEnd());

        QCOMPARE(Desk.Captions, QStringList({"Converting: 1 out of 3", "Converting: 2 out of 3",
                                             "Converting: 3 out of 3", "Converting: 3 out of 3 Done!"}));
        QCOMPARE(Desk.Conv.BtnAbort->text(), QString("Finish"));
        QVERIFY(!Desk.Conv.BtnSendTo->isEnabled());
        QCOMPARE(Desk.Conv.OverallProg->Progress(), 3);
        QCOMPARE(Desk.Conv.LblOverallProg->text(), QString("100%"));
        QVERIFY(Desk.Conv.LblInput->text().isEmpty());
        QCOMPARE(Desk.Messages.Texts.size(), 1);
        QCOMPARE(Desk.Messages.Icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
        QString Message = Desk.Messages.Texts[0];
        QVERIFY2(Message.startsWith("Convertion completed!\n2 converted, 0 up to date, 1 failed, 0 skipped."),
                 qPrintable(Message));
        QVERIFY(Message.contains(QString::fromStdString(Broken) + ": failed: "));
        for (const char* Output : {"a.flac", "c.ogg"}) {
            std::string Err;
            QVERIFY2(test::RunCommand("ffmpeg -v error -i " + test::ShellQuote(Desk.Dir.File(Output)) +
                                          " -f null -",
                                      &Err) == 0 &&
                         Err.empty(),
                     Err.c_str());
        }
        QVERIFY(!fs::exists(Desk.Dir.File("broken.flac")));

        Desk.Conv.BtnAbort->click(); // Finish
        QVERIFY(!Desk.Conv.isVisible());
        Desk.Conv.StartBatch({}, false);
        QCOMPARE(Desk.Messages.Texts.last(), QString("No files added to media bin!"));
    }

    void AbortStopsEveryFileWithoutOutput() {
        TDesk Desk(2);
        std::string Long = Desk.Wav("long.wav", 60);
        std::vector<TMediaEntry> Entries;
        for (int I = 0; I < 3; ++I) {
            std::string Input = Desk.Dir.File("in" + std::to_string(I) + ".wav");
            fs::copy_file(Long, Input);
            Entries.push_back({Input, Desk.Dir.File("in" + std::to_string(I) + ".ape")});
        }
        test::WriteFileBytes(Entries[1].OutputName, {'o', 'l', 'd'});
        auto InputBytes = test::ReadFileBytes(Long);
        Desk.Conv.StartBatch(Entries, false);
        // Both jobs are writing their files before the abort.
        QTRY_COMPARE_WITH_TIMEOUT(test::FilesWithExtension(Desk.Dir.Path(), ".part").size(), size_t(2),
                                  60000);
        Desk.Conv.BtnAbort->click();
        QVERIFY(!Desk.Conv.isVisible());
        QVERIFY(Desk.WaitForEnd());

        QVERIFY(!fs::exists(Entries[0].OutputName));
        QCOMPARE(test::ReadFileBytes(Entries[1].OutputName), std::vector<uint8_t>({'o', 'l', 'd'}));
        QVERIFY(!fs::exists(Entries[2].OutputName));
        for (const auto& Entry : Entries) QVERIFY(test::ReadFileBytes(Entry.InputName) == InputBytes);
        QVERIFY(test::FilesWithExtension(Desk.Dir.Path(), ".part").empty());
        QString Message = Desk.Messages.Texts.value(0);
        QVERIFY2(Message.contains(", 2 stopped, 1 not started."), qPrintable(Message));
    }

    void AutoMinimodeReturnsWhenTheLastFileHasFinished() {
        TDesk Desk(2);
        TSettings(Desk.Ini).WritePreferences({true, true, true, false, "", ""});
        std::vector<TMediaEntry> Entries = Desk.Batch("m", 3, 4, ".fla");
        int Returns = 0;
        Desk.Mini.OnReturned = [&] { ++Returns; };
        Desk.Conv.StartBatch(Entries, true);
        QVERIFY(Desk.Mini.Active() && Desk.Mini.isVisible());
        QVERIFY(!Desk.Main.isVisible() && !Desk.Conv.isVisible());
        QVERIFY(Desk.Mini.TrayIcon->IconVisible());
        QCOMPARE(Desk.Mini.Prog->MaxValue(), 3);
        QVERIFY(Desk.Mini.LblStatus->text().endsWith(" out of 3"));
        QVERIFY(Desk.WaitForEnd());

        QCOMPARE(Returns, 1);
        QVERIFY(!Desk.Mini.isVisible() && !Desk.Mini.TrayIcon->IconVisible());
        QVERIFY(Desk.Main.isVisible() && Desk.Conv.isVisible());
        QCOMPARE(Desk.Conv.BtnAbort->text(), QString("Finish"));
        for (const auto& Entry : Entries) QVERIFY(fs::exists(Entry.OutputName));
        QCOMPARE(Desk.Messages.Texts.value(0),
                 QString("Convertion completed!\n3 converted, 0 up to date, 0 failed, 0 skipped."));
        QCOMPARE(Desk.Messages.Icons, QList<QMessageBox::Icon>{QMessageBox::Information});
    }

    // Two at once, one much longer: once the short one has finished, the dialog shows the long
    // one, never the finished file. The mini window's title is reset when the batch ends.
    void TheCurrentFileIsAlwaysOneStillConverting() {
        TDesk Desk(2);
        std::vector<TMediaEntry> Entries{{Desk.Wav("long.wav", 240), Desk.Dir.File("long.mp3")},
                                         {Desk.Wav("short.wav", 2), Desk.Dir.File("short.mp3")}};
        Desk.Conv.StartBatch(Entries, false);
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(Entries[1].OutputName), BatchTimeoutMs);
        QTRY_COMPARE(Desk.Conv.LblInput->text(), QString::fromStdString(Entries[0].InputName));
        QVERIFY(Desk.Conv.BatchRunning());
        for (int I = 0; I < 10; ++I) {
            QTest::qWait(30);
            QCOMPARE(Desk.Conv.LblInput->text(), QString::fromStdString(Entries[0].InputName));
            QVERIFY(Desk.Conv.CurrentProg->Progress() < 100);
        }
        Desk.Mini.ShowPercent(50);
        Desk.Conv.BtnAbort->click();
        QVERIFY(Desk.WaitForEnd());
        QCOMPARE(Desk.Mini.windowTitle(), QString("Deraz Audio Converter"));
    }

    void ReturnToNormalModeDuringABatchLetsItGoOn() {
        TDesk Desk;
        std::vector<TMediaEntry> Entries = Desk.Batch("r", 2, 20, ".mp3");
        int Returns = 0;
        Desk.Mini.OnReturned = [&] { ++Returns; };
        Desk.Conv.StartBatch(Entries, false);
        Desk.Conv.BtnSendTo->click();
        QVERIFY(Desk.Mini.isVisible() && !Desk.Conv.isVisible() && !Desk.Main.isVisible());
        Desk.Mini.PopupMenu1->actions().first()->trigger();
        QVERIFY(Desk.Main.isVisible() && Desk.Conv.isVisible() && !Desk.Mini.isVisible());
        QVERIFY(!Desk.Mini.TrayIcon->IconVisible());
        QVERIFY(Desk.Conv.BatchRunning());
        QCOMPARE(Desk.Conv.BtnAbort->text(), QString("Abort conversion."));
        QVERIFY(Desk.WaitForEnd());
        QCOMPARE(Returns, 1);
        for (const auto& Entry : Entries) QVERIFY(fs::file_size(Entry.OutputName) > 0);
    }
};

QTEST_MAIN(ConvDlgTest)
#include "ConvDlgTest.moc"
