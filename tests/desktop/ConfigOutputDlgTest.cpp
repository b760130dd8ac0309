// The output format dialog against a real settings file: its two level-list builders, Accept
// and Cancel.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "desktop/ApplicationForms.h"
#include "desktop/uConfigOutputDlg.h"
#include "desktop/uMain.h"
#include "driver/Settings.h"
#include "tests/desktop/UiTestSupport.h"

using namespace deraz;
using namespace deraz::test;

namespace {

QStringList Entries(QComboBox* Box) {
    QStringList Texts;
    for (int I = 0; I < Box->count(); ++I) Texts << Box->itemText(I);
    return Texts;
}

} // namespace

class ConfigOutputDlgTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TTempDir> Dir;
    std::unique_ptr<TApplicationForms> Forms;
    TConfigOutputDlg* Dlg = nullptr;

    TSettings Settings() const { return TSettings(Dir->File("Varidir.ini")); }
    // Shows the dialog as the main window does, leaving it open.
    void Open() {
        Dlg->open();
        QVERIFY(Dlg->isVisible());
    }
    void Choose(int Format) {
        Dlg->ComboxDestFormat->setCurrentIndex(Format);
        emit Dlg->ComboxDestFormat->activated(Format);
    }
    void AddEntries(const QStringList& Names) {
        Forms->MainForm()->AddFiles(Names);
        QTRY_VERIFY(!Forms->MainForm()->Adding());
    }

private slots:
    void init() {
        Dir = std::make_unique<TTempDir>();
        Forms = std::make_unique<TApplicationForms>(Dir->File("Varidir.ini"));
        Forms->CreateForms();
        Dlg = Forms->ConfigOutputDlg();
    }
    void cleanup() {
        Forms.reset();
        Dir.reset();
    }

    void choosingAFormatListsItsLevelsWithTheDefaultSelected_data() {
        QTest::addColumn<int>("Format");
        QTest::addColumn<int>("Count");
        QTest::addColumn<QString>("Selected");
        QTest::newRow("ogg") << 0 << 11 << "Quality 5 - 160 kbps";
        QTest::newRow("mp3") << 1 << 18 << "128 kbps";
        QTest::newRow("fla") << 2 << 10 << "Level 5 - default";
        QTest::newRow("flac") << 3 << 10 << "Level 5 - default";
        QTest::newRow("ape") << 4 << 6 << "Normal - Good compression";
        QTest::newRow("wav") << 5 << 1 << "Standard";
    }
    void choosingAFormatListsItsLevelsWithTheDefaultSelected() {
        QFETCH(int, Format);
        QFETCH(int, Count);
        QFETCH(QString, Selected);
        Open();
        Choose(Format);
        QCOMPARE(Dlg->ComboxBitrates->count(), Count);
        QCOMPARE(Dlg->ComboxBitrates->currentText(), Selected);
        Dlg->BtnCancel->click();
    }

    void openingShowsTheStoredDefaultsAndTheShortMonkeysAudioList() {
        Open();
        QCOMPARE(Dlg->ComboxDestFormat->currentText(), "OGG Vorbis Encoder (*.ogg)");
        QCOMPARE(Dlg->ComboxBitrates->currentText(), "Quality 5 - 160 kbps");
        QVERIFY(Dlg->CBoxUseBitrate->isVisible());
        QVERIFY(!Dlg->CBoxUseBitrate->isChecked());
        Choose(4);
        Dlg->CBoxCopyTags->setChecked(true);
        Dlg->CBoxUseBitrate->setChecked(true);
        AddEntries({Q_FUNC_INFO}); // any name: Accept needs entries
        Dlg->BtnOK->click();
        QVERIFY(!Dlg->isVisible());
        QCOMPARE(Settings().DestExt(), 4);
        QCOMPARE(Settings().Bitrate(), 1);
        QVERIFY(Settings().CopyTags());
        QVERIFY(Settings().CapBitrate());
        QVERIFY(TConfigOutputDlg(Forms->MainForm(), Dir->File("Varidir.ini")).CBoxUseBitrate->isChecked());
        Open();
        QCOMPARE(Entries(Dlg->ComboxBitrates),
                 (QStringList{"Fast", "Normal", "High", "Extra high", "Insane"}));
        QCOMPARE(Dlg->ComboxBitrates->currentText(), "Normal");

        // "Braindead" is not in the short list: reopening shows no selection and Accept stores -1.
        Choose(4);
        Dlg->ComboxBitrates->setCurrentIndex(5);
        Dlg->BtnOK->click();
        QCOMPARE(Settings().Bitrate(), 5);
        Open();
        QCOMPARE(Dlg->ComboxBitrates->currentIndex(), -1);
        Dlg->BtnOK->click();
        QCOMPARE(Settings().Bitrate(), -1);
    }

    void acceptRewritesEveryExtensionAndNeedsEntries() {
        const auto& Audio = TAudioFolder::Get();
        Open();
        Choose(5);
        {
            TMessageBoxAnswers Answers(QMessageBox::Ok);
            Dlg->BtnOK->click();
            QCOMPARE(Answers.Texts,
                     QStringList{
                         "Cannot update filename extension, because there isnt any files in the media bin!"});
        }
        QVERIFY(Dlg->isVisible()); // stays open, with the choice already stored
        QCOMPARE(Settings().DestExt(), 5);
        Dlg->BtnCancel->click();

        TSettings(Dir->File("Varidir.ini")).WriteOutputFormat(0, 5, false);
        AddEntries({QString::fromStdString(Audio.File("a.wav")), QString::fromStdString(Audio.File("c.ogg")),
                    QString::fromStdString(Dir->File("x.flac"))});
        QTreeWidget* Box = Forms->MainForm()->MediaBox;
        QCOMPARE(Box->topLevelItem(2)->text(1), QString::fromStdString(Dir->File("x.ogg")));
        Open();
        Choose(5);
        Dlg->BtnOK->click();
        QCOMPARE(Box->topLevelItem(0)->text(1), QString::fromStdString(Audio.File("a.wav")));
        QCOMPARE(Box->topLevelItem(1)->text(1), QString::fromStdString(Audio.File("c.wav")));
        QCOMPARE(Box->topLevelItem(2)->text(1), QString::fromStdString(Dir->File("x.wav")));
    }

    void cancelWritesNothingAndKeepsTheFormatSelection() {
        AddEntries({"/music/a.wav"});
        Open();
        Choose(1);
        Dlg->BtnCancel->click();
        QVERIFY(!std::filesystem::exists(Dir->File("Varidir.ini")));
        QCOMPARE(Forms->MainForm()->MediaBox->topLevelItem(0)->text(1), "/music/a.ogg");
        // Reopened: the format list keeps its last choice beside the stored format's levels.
        Open();
        QCOMPARE(Dlg->ComboxDestFormat->currentIndex(), 1);
        QCOMPARE(Dlg->ComboxBitrates->count(), 11);
        Dlg->BtnCancel->click();
    }
};

int RunConfigOutputDlgTests(int argc, char** argv) {
    ConfigOutputDlgTest Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "ConfigOutputDlgTest.moc"
