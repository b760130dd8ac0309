// The main window: entries, dropping, output names, a dropped library converted, Clear all,
// removing, the media info window opened by selection, and the close question.
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>
#include <QTreeWidget>
#include <filesystem>
#include <set>

#include "codecs/FormatTable.h"
#include "controls/TExDragDrop.h"
#include "desktop/ApplicationForms.h"
#include "desktop/uConvDlg.h"
#include "desktop/uInfoTagDlg.h"
#include "desktop/uMain.h"
#include "driver/Manifest.h"
#include "driver/OutputFiles.h"
#include "driver/Settings.h"
#include "tests/desktop/UiTestSupport.h"

using namespace deraz;
using namespace deraz::test;

namespace {

QString Q(const std::string& Text) {
    return QString::fromStdString(Text);
}

QStringList Row(QTreeWidget* Box, int Index) {
    QStringList Texts;
    for (int Column = 0; Column < 5; ++Column) Texts << Box->topLevelItem(Index)->text(Column);
    return Texts;
}

void SendDrop(QWidget* Target, QMimeData& Data) {
    QDragEnterEvent Enter(QPoint(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &Enter);
    QVERIFY(Enter.isAccepted());
    QDropEvent Drop(QPointF(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &Drop);
}

void SendDrop(QWidget* Target, const QStringList& Names) {
    QMimeData Data;
    QList<QUrl> Urls;
    for (const QString& Name : Names) Urls << QUrl::fromLocalFile(Name);
    Data.setUrls(Urls);
    SendDrop(Target, Data);
}

// Every file below Root, by its path relative to Root.
std::set<std::string> RelativeFiles(const std::filesystem::path& Root) {
    std::set<std::string> Files;
    for (const auto& Entry : std::filesystem::recursive_directory_iterator(Root))
        if (Entry.is_regular_file() && Entry.path().filename() != OutputManifestName)
            Files.insert(std::filesystem::relative(Entry.path(), Root).string());
    return Files;
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TTempDir> Dir;
    std::unique_ptr<TApplicationForms> Forms;
    TMainForm* Main = nullptr;

    void AddAndWait(const QStringList& Names) {
        Main->AddFiles(Names);
        QTRY_VERIFY(!Main->Adding());
    }
    QString Status() const { return Main->TotalPanel->text(); }

private slots:
    void initTestCase() { TAudioFolder::Get(); }
    void init() {
        Dir = std::make_unique<TTempDir>();
        Forms = std::make_unique<TApplicationForms>(Dir->File("Varidir.ini"));
        Forms->CreateForms();
        Main = Forms->MainForm();
        Main->show();
        QVERIFY(QTest::qWaitForWindowActive(Main));
    }
    void cleanup() {
        Forms.reset();
        Dir.reset();
    }

    void entriesShowSizeTypeAndBitRateOfEveryFormat() {
        const auto& Audio = TAudioFolder::Get();
        QCOMPARE(Status(), "Total files to be converted: 0");
        TSettings(Dir->File("Varidir.ini")).WriteOutputFormat(1, 11, false);
        // Upper-case names go through the open dialog's route unchecked and get their bit rate.
        std::filesystem::copy_file(Audio.File("b.mp3"), Dir->File("SONG.MP3"));
        std::filesystem::copy_file(Audio.File("d.flac"), Dir->File("e.fla"));
        Main->AddFiles({Q(Audio.File("a.wav")), Q(Dir->File("SONG.MP3")), Q(Audio.File("c.ogg")),
                        Q(Audio.File("d.flac")), Q(Dir->File("e.fla")), Q(Audio.File("e.ape")),
                        Q(Dir->File("gone.flac")), Q(Dir->File("gone.wav")), Q(Dir->File("noext"))});
        // A batch asked for while files are still being added holds every one of them.
        std::vector<TMediaEntry> Entries = Main->Entries();
        QCOMPARE(Entries.size(), size_t(9));
        QVERIFY(!Main->Adding());
        QCOMPARE(Status(), "Total files to be converted: 9");
        auto Size = [&](const std::string& File) {
            return QString::number(std::filesystem::file_size(File)) + " Bytes.";
        };
        QCOMPARE(Row(Main->MediaBox, 0), (QStringList{Q(Audio.File("a.wav")), Q(Audio.File("a.mp3")),
                                                      Size(Audio.File("a.wav")), ".wav", "1411.2"}));
        QCOMPARE(Row(Main->MediaBox, 1), (QStringList{Q(Dir->File("SONG.MP3")), Q(Dir->File("SONG.mp3")),
                                                      Size(Dir->File("SONG.MP3")), ".MP3", "128"}));
        QCOMPARE(Main->MediaBox->topLevelItem(2)->text(4).toInt() > 0, true);
        QCOMPARE(Main->MediaBox->topLevelItem(3)->text(4).toInt() > 0, true);
        QCOMPARE(Main->MediaBox->topLevelItem(4)->text(4), Main->MediaBox->topLevelItem(3)->text(4));
        QVERIFY(Main->MediaBox->topLevelItem(5)->text(4).toDouble() > 0);
        // Two inputs that would write one output: the later one is numbered as it is added.
        QCOMPARE(Row(Main->MediaBox, 6),
                 (QStringList{Q(Dir->File("gone.flac")), Q(Dir->File("gone.mp3")), "0", ".flac", "iNVALID"}));
        QCOMPARE(Row(Main->MediaBox, 7), (QStringList{Q(Dir->File("gone.wav")), Q(Dir->File("gone (1).mp3")),
                                                      "0", ".wav", "iNVALiD"}));
        QCOMPARE(Row(Main->MediaBox, 8).mid(1, 1), QStringList{Q(Dir->File("noext.mp3"))});
        QCOMPARE(Q(Entries[1].OutputName), Q(Dir->File("SONG.mp3")));
    }

    void dropsCheckExtensionsWithoutRegardToCaseAndOpenFolders() {
        const auto& Audio = TAudioFolder::Get();
        std::filesystem::create_directories(Dir->Path() / "in/sub");
        std::filesystem::copy_file(Audio.File("b.mp3"), Dir->File("SONG.MP3"));
        std::filesystem::copy_file(Audio.File("c.ogg"), Dir->Path() / "in/sub/z.ogg");
        std::filesystem::copy_file(Audio.File("a.wav"), Dir->Path() / "in/b.WAV");
        test::WriteFileBytes(Dir->File("in/notes.txt"), {1, 2});
        test::WriteFileBytes(Dir->File("readme.txt"), {1, 2});
        TMessageBoxAnswers Answers(QMessageBox::Ok);
        SendDrop(Main->MediaBox->viewport(),
                 {Q(Dir->File("SONG.MP3")), Q(Dir->File("readme.txt")), Q(Dir->File("in"))});
        QTRY_VERIFY(!Main->Adding());
        QCOMPARE(Answers.Texts, QStringList{".txt is not a supported filetype or invalid!"});
        QCOMPARE(Answers.Icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
        QCOMPARE(Main->ExDragDrop1->Items().size(), 3);
        QCOMPARE(Main->EntryCount(), 3);
        QCOMPARE(Main->MediaBox->topLevelItem(0)->text(4), "128");
        QCOMPARE(Main->MediaBox->topLevelItem(1)->text(0), Q(Dir->File("in/b.WAV")));
        QCOMPARE(Main->MediaBox->topLevelItem(2)->text(0), Q(Dir->File("in/sub/z.ogg")));
        QCOMPARE(Status(), "Total files to be converted: 3");

        // A second drop, onto another part of the window, replaces the names of the first.
        SendDrop(Main->BtnStart, {Q(Audio.File("d.flac"))});
        QTRY_COMPARE(Main->EntryCount(), 4);
        QCOMPARE(Main->ExDragDrop1->Items(), QStringList{Q(Audio.File("d.flac"))});
    }

    void dropTargetAttachesAndDetaches() {
        TExDragDrop Target;
        QWidget Plain;
        int Drops = 0;
        Target.OnDropped = [&](TExDragDrop*, int Count) { Drops += Count; };
        Target.SetControl(&Plain);
        QVERIFY(Plain.acceptDrops());
        SendDrop(&Plain, {"/a/one.wav", "/a/two.mp3", "/a/three.ogg"});
        QCOMPARE(Drops, 3);
        QCOMPARE(Target.Items(), (QStringList{"/a/one.wav", "/a/two.mp3", "/a/three.ogg"}));
        Target.SetControl(&Plain);
        Target.SetControl(nullptr);
        QVERIFY(!Plain.acceptDrops());
        QMimeData Data;
        Data.setUrls({QUrl::fromLocalFile("/a/four.wav")});
        QDropEvent Drop(QPointF(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&Plain, &Drop);
        QCOMPARE(Drops, 3);
    }

    // The list shows the media bin's names: the output directory holds a later entry too.
    void outputNamesFollowTheMediaBin() {
        const auto& Audio = TAudioFolder::Get();
        AddAndWait({Q(Audio.File("a.wav")), Q(Audio.File("c.ogg"))});
        Main->SetOutputDirectory(Q(Dir->File("out")));
        AddAndWait({Q(Audio.File("d.flac")), Q(Dir->File("a.flac"))});
        Main->SetOutputExtensions(".wav");
        QStringList Shown;
        for (int I = 0; I < Main->EntryCount(); ++I) Shown << Main->MediaBox->topLevelItem(I)->text(1);
        QCOMPARE(Shown, (QStringList{Q(Dir->File("out/a.wav")), Q(Dir->File("out/c.wav")),
                                     Q(Dir->File("out/d.wav")), Q(Dir->File("out/a (1).wav"))}));
    }

    // Two albums with equal track names, a cover in one and a text file that stays behind.
    void aDroppedLibraryConvertsToTheTreeTheCommandLineWrites() {
        namespace fs = std::filesystem;
        const std::string Ini = Dir->File("Varidir.ini");
        const fs::path Music = Dir->Path() / "Music";
        fs::create_directories(Music / "A/One");
        fs::create_directories(Music / "B/Two");
        const std::string Wav = Dir->File("short.wav");
        WritePcmWav(Wav, MusicLikeSignal(22050, 2, 44100), 2, 44100);
        QVERIFY(EncodeWithPeerTool(Wav, ".flac", (Music / "A/One/01 Intro.flac").string()));
        fs::copy_file(Music / "A/One/01 Intro.flac", Music / "B/Two/01 Intro.flac");
        QVERIFY(EncodeWithPeerTool(Wav, ".ogg", (Music / "B/Two/02 Song.ogg").string()));
        test::WriteFileBytes((Music / "A/One/Cover.JPG").string(), {0xFF, 0xD8, 0xFF, 0xD9});
        test::WriteFileBytes((Music / "B/notes.txt").string(), {1, 2});
        TSettings(Ini).WriteOutputFormat(5, 0, false);

        SendDrop(Main->MediaBox->viewport(), {Q(Music.string())});
        QTRY_VERIFY(!Main->Adding());
        QCOMPARE(Main->EntryCount(), 3);
        // Without the folders kept, equal names are numbered rather than written over each other.
        TSettings(Ini).WriteLibraryPreferences({false, true, false});
        Main->SetOutputDirectory(Q(Dir->File("flat")));
        QStringList Flat;
        for (const TMediaEntry& Entry : Main->Entries()) Flat << Q(Entry.OutputName);
        QCOMPARE(Flat, (QStringList{Q(Dir->File("flat/01 Intro.wav")), Q(Dir->File("flat/01 Intro (1).wav")),
                                    Q(Dir->File("flat/02 Song.wav"))}));

        TSettings(Ini).WriteLibraryPreferences({true, true, false});
        Main->SetOutputDirectory(Q(Dir->File("desk")));
        for (const TMediaEntry& Entry : Main->Entries()) QVERIFY(Entry.CopyCovers);
        TMessageBoxAnswers Answers(QMessageBox::Ok);
        Main->BtnStart->click();
        QTRY_COMPARE_WITH_TIMEOUT(Answers.Texts.size(), 1, 60000);
        QCOMPARE(Answers.Texts[0], "Convertion completed!\n3 converted, 0 up to date, 0 failed, 0 skipped.");

        QCOMPARE(
            RunConverter("-q -f wav -o " + ShellQuote(Dir->File("cli")) + " " + ShellQuote(Music.string())),
            0);
        const std::set<std::string> Expected{"A/One/01 Intro.wav", "A/One/Cover.JPG", "B/Two/01 Intro.wav",
                                             "B/Two/02 Song.wav"};
        QCOMPARE(RelativeFiles(Dir->Path() / "cli"), Expected);
        QCOMPARE(RelativeFiles(Dir->Path() / "desk"), Expected);

        // Converting only what changed finds every output up to date.
        TSettings(Ini).WriteLibraryPreferences({true, true, true});
        Main->BtnStart->click();
        QTRY_COMPARE_WITH_TIMEOUT(Answers.Texts.size(), 2, 60000);
        QCOMPARE(Answers.Texts[1], "Convertion completed!\n0 converted, 3 up to date, 0 failed, 0 skipped.");
    }

    void clearAllAsksAndRemoveSelectedRemoves() {
        {
            TMessageBoxAnswers Answers(QMessageBox::Ok);
            Main->Clearall1->trigger();
            QCOMPARE(Answers.Texts, QStringList{"The media bin is empty!"});
        }
        const auto& Audio = TAudioFolder::Get();
        AddAndWait({Q(Audio.File("a.wav")), Q(Audio.File("c.ogg")), Q(Audio.File("missing.wav"))});
        {
            TMessageBoxAnswers Answers(QMessageBox::No);
            Main->Clearall1->trigger();
            QCOMPARE(Answers.Texts, QStringList{"Are you sure to delete: 3 file(s) from media bin?"});
            QCOMPARE(Answers.Icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
            QCOMPARE(Main->EntryCount(), 3);
        }
        // Delete removes the selected entry; the media info window it opened is closed first.
        {
            TModalHandler CloseInfo([](QWidget* Modal) { static_cast<QDialog*>(Modal)->reject(); });
            Main->MediaBox->setFocus();
            Main->MediaBox->setCurrentItem(Main->MediaBox->topLevelItem(1));
            QTRY_COMPARE(CloseInfo.Count(), 1);
            QTRY_VERIFY(!Main->InfoTagDlg->isVisible());
            Main->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(Main));
            Main->MediaBox->setFocus();
            QTRY_VERIFY(Main->MediaBox->hasFocus());
            QTest::keyClick(Main->MediaBox, Qt::Key_Delete);
            QTRY_COMPARE(Main->EntryCount(), 2);
            QCOMPARE(Main->MediaBox->topLevelItem(1)->text(0), Q(Audio.File("missing.wav")));
            QCOMPARE(Status(), "Total files to be converted: 2");
        }
        TMessageBoxAnswers Yes(QMessageBox::Yes);
        Main->Clearall1->trigger();
        QCOMPARE(Main->EntryCount(), 0);
        QCOMPARE(Status(), "Total files to be converted: 0");
    }

    void selectingAnEntryByKeyboardOrMouseOpensItsMediaInfo() {
        const auto& Audio = TAudioFolder::Get();
        AddAndWait({Q(Audio.File("a.wav")), Q(Audio.File("b.mp3"))});
        QStringList Seen;
        TModalHandler Info([&](QWidget* Modal) {
            auto* Dialog = qobject_cast<TInfoTagDlg*>(Modal);
            QVERIFY(Dialog);
            Seen << Dialog->windowTitle() + " | " + Dialog->edFilename->text() + " | " +
                        Dialog->LblLength->text();
            Dialog->BtnOK->click();
        });
        Main->MediaBox->setFocus();
        QTest::keyClick(Main->MediaBox, Qt::Key_Down);
        QTRY_COMPARE(Seen.size(), 1);
        QRect Second = Main->MediaBox->visualItemRect(Main->MediaBox->topLevelItem(1));
        QTest::mouseClick(Main->MediaBox->viewport(), Qt::LeftButton, {}, Second.center());
        QTRY_COMPARE(Seen.size(), 2);
        QCOMPARE(Seen, (QStringList{"Media info for: a.wav | " + Q(Audio.File("a.wav")) + " | 10.270 sec.",
                                    "Media info for: b.mp3 | " + Q(Audio.File("b.mp3")) + " | 10.3 sec."}));
        // OK emptied the window again.
        QCOMPARE(Main->InfoTagDlg->LblLength->text(), QString());
    }

    // A file manager's drop: percent-encoded UTF-8 names with spaces, as Nautilus and Dolphin send.
    // Then several entries selected at once, sorted by a column, removed together; the batch takes
    // the order shown, and the window's size and columns come back in the next run.
    void uriListDropsSelectionSortingAndPlacement() {
        const auto& Audio = TAudioFolder::Get();
        const std::vector<std::string> Names{"b Lied über.wav", "a Été 2.ogg", "c 10 Ölfeld.mp3"};
        for (const auto& [Name, Source] :
             {std::pair{Names[0], "a.wav"}, {Names[1], "c.ogg"}, {Names[2], "b.mp3"}})
            std::filesystem::copy_file(Audio.File(Source), Dir->File(Name));
        QByteArray UriList;
        for (const std::string& Name : Names)
            UriList += QUrl::fromLocalFile(Q(Dir->File(Name))).toEncoded() + "\r\n";
        QVERIFY(UriList.contains("%C3%BC") && UriList.contains("%20"));
        QMimeData Data;
        Data.setData("text/uri-list", UriList);
        SendDrop(Main->MediaBox->viewport(), Data);
        QTRY_COMPARE(Main->EntryCount(), 3);
        QCOMPARE(Main->MediaBox->topLevelItem(1)->text(0), Q(Dir->File(Names[1])));

        Main->MediaBox->header()->setSortIndicator(0, Qt::AscendingOrder);
        QStringList Sorted;
        for (const TMediaEntry& Entry : Main->Entries()) Sorted << Q(Entry.InputName);
        QCOMPARE(Sorted,
                 (QStringList{Q(Dir->File(Names[1])), Q(Dir->File(Names[0])), Q(Dir->File(Names[2]))}));
        // Numbers sort by value: 128 kbit/s after the WAV's 1411.2 descending.
        Main->MediaBox->header()->setSortIndicator(4, Qt::DescendingOrder);
        QCOMPARE(Main->MediaBox->topLevelItem(0)->text(0), Q(Dir->File(Names[0])));

        // Selecting several opens no media info window; Delete removes them all.
        {
            TModalHandler NoInfo([](QWidget* Modal) { static_cast<QDialog*>(Modal)->reject(); });
            Main->MediaBox->setFocus();
            QTest::keyClick(Main->MediaBox, Qt::Key_A, Qt::ControlModifier);
            QCOMPARE(Main->MediaBox->selectedItems().size(), 3);
            QTest::keyClick(Main->MediaBox, Qt::Key_Delete);
            QCOMPARE(Main->EntryCount(), 0);
            QCOMPARE(NoInfo.Count(), 0);
        }

        Main->resize(1000, 600);
        Main->MediaBox->setColumnWidth(2, 123);
        {
            TMessageBoxAnswers Yes(QMessageBox::Yes);
            QVERIFY(Main->close());
        }
        Forms = std::make_unique<TApplicationForms>(Dir->File("Varidir.ini"));
        Forms->CreateForms();
        QCOMPARE(Forms->MainForm()->size(), QSize(1000, 600));
        QCOMPARE(Forms->MainForm()->MediaBox->columnWidth(2), 123);
    }

    // The German catalogue beside the program gives the windows their German texts. The format
    // table's entries, levels and open-dialog filter names reach tr() through lists lupdate reads;
    // one missing there has no German text. Bit rates are shown as they are.
    void theGermanCatalogueIsFoundAndCoversTheFormatTable() {
        QTranslator German;
        QVERIFY(German.load(QLocale(QLocale::German), "deraz", "_",
                            QCoreApplication::applicationDirPath() + "/translations"));
        QCoreApplication::installTranslator(&German);
        TMainForm Translated(Dir->File("Varidir.ini"));
        QCoreApplication::removeTranslator(&German);
        QCOMPARE(Translated.BtnStart->text(), "Konvertierung starten.");
        QCOMPARE(Translated.BtnSelectFiles->text(), "Audiodateien wählen.");
        QCOMPARE(Translated.TotalPanel->text(), "Zu konvertierende Dateien: 0");
        QCOMPARE(Main->BtnStart->text(), "Start conversion.");

        const QRegularExpression BitRate(QStringLiteral("^\\d+ kbps?$"));
        QStringList Missing;
        auto Check = [&](const char* Context, const char* Text) {
            if (!BitRate.match(QString::fromUtf8(Text)).hasMatch() &&
                German.translate(Context, Text).isEmpty())
                Missing << QString::fromUtf8(Context) + ": " + QString::fromUtf8(Text);
        };
        for (const TOutputFormat& Entry : OutputFormats()) {
            Check("deraz::TConfigOutputDlg", Entry.Entry);
            for (const char* Level : Entry.Levels) Check("deraz::TConfigOutputDlg", Level);
            for (const char* Level : Entry.ShownLevels) Check("deraz::TConfigOutputDlg", Level);
        }
        Check("deraz::TMainForm", "All Supported Files");
        for (const TFormat& Format : Formats()) Check("deraz::TMainForm", Format.FilterName);
        QVERIFY2(Missing.isEmpty(), qPrintable(Missing.join('\n')));
    }

    void closingAsksFirstAndStopsTheBatchLeavingNoOutput() {
        std::string Long = Dir->File("long.wav");
        WritePcmWav(Long, MusicLikeSignal(44100 * 120, 2, 44100), 2, 44100);
        AddAndWait({Q(Long)});
        Main->BtnStart->click();
        QTRY_COMPARE(Forms->ConvDlg()->windowTitle(), "Converting: 1 out of 1");
        {
            TMessageBoxAnswers No(QMessageBox::No);
            QVERIFY(!Main->close());
            QCOMPARE(No.Texts.size(), 1);
            QVERIFY2(No.Texts[0].startsWith("A conversion is running. Do you want to stop it"),
                     qPrintable(No.Texts[0]));
            QCOMPARE(No.Icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
            QVERIFY(Forms->ConvDlg()->BatchRunning());
        }
        TMessageBoxAnswers Yes(QMessageBox::Yes);
        QVERIFY(Main->close());
        QCOMPARE(Yes.Texts.size(), 1); // the question only: a stopped batch shows no message
        std::vector<std::string> Left;
        for (const auto& Entry : std::filesystem::directory_iterator(Dir->Path()))
            if (Entry.path().filename() != "Varidir.ini") Left.push_back(Entry.path().filename().string());
        QCOMPARE(Left, std::vector<std::string>{"long.wav"});
    }
};

int RunMainFormTests(int argc, char** argv) {
    MainFormTest Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "MainFormTest.moc"
