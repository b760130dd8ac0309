// The media info window for every kind of file: values, number forms, captions and emptying.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "desktop/ApplicationForms.h"
#include "desktop/uInfoTagDlg.h"
#include "desktop/uMain.h"
#include "tests/desktop/UiTestSupport.h"

using namespace deraz;
using namespace deraz::test;

class InfoTagDlgTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TTempDir> Dir;
    std::unique_ptr<TApplicationForms> Forms;
    TInfoTagDlg* Dlg = nullptr;

    void Show(const std::string& FileName) {
        Dlg->edFilename->setText(QString::fromStdString(FileName));
        Dlg->open();
        QVERIFY(Dlg->isVisible());
        QCOMPARE(Dlg->focusWidget(), Dlg->BtnOK);
    }

private slots:
    void initTestCase() {
        Dir = std::make_unique<TTempDir>();
        Forms = std::make_unique<TApplicationForms>(Dir->File("Varidir.ini"));
        Forms->CreateForms();
        Dlg = Forms->InfoTagDlg();
    }
    void cleanupTestCase() { Forms.reset(); }
    void init() { Forms->MainForm()->show(); }

    void showsEveryKindInItsNumberForms_data() {
        QTest::addColumn<QString>("File");
        QTest::addColumn<QString>("Length");
        QTest::addColumn<QString>("Encoder");
        QTest::addColumn<QString>("VendorCaption");
        QTest::addColumn<QString>("VersionCaption");
        auto Row = [](const char* File, const char* Length, const char* Encoder, const char* VendorCaption,
                      const char* VersionCaption) {
            QTest::newRow(File) << QString(File) << QString(Length) << QString(Encoder)
                                << QString(VendorCaption) << QString(VersionCaption);
        };
        Row("a.wav", "10.270 sec.", "", "Vendor:", "Version:");
        Row("b.mp3", "10.3 sec.", "", "Vendor:", "Version:");
        Row("c.ogg", "10.270 sec.", "Ogg Vorbis", "Vendor:", "Version:");
        Row("d.flac", "10.270 sec.", "", "Vendor:", "Compression:");
        Row("e.ape", "10.270 sec.", "Monkeys Audio", "Compression:", "Version:");
    }
    void showsEveryKindInItsNumberForms() {
        QFETCH(QString, File);
        QFETCH(QString, Length);
        QFETCH(QString, Encoder);
        QFETCH(QString, VendorCaption);
        QFETCH(QString, VersionCaption);
        Show(TAudioFolder::Get().File(File.toStdString()));
        QCOMPARE(Dlg->LblLength->text(), Length);
        QCOMPARE(Dlg->edExt->text(), File.mid(1));
        QCOMPARE(Dlg->LblSamplerate->text(), "44100 Hz");
        QVERIFY(Dlg->LblBitrate->text().endsWith(" kbit/s"));
        QVERIFY(Dlg->LblFilesize->text().endsWith(" bytes"));
        if (!Encoder.isEmpty()) QCOMPARE(Dlg->LblEncoder->text(), Encoder);
        QCOMPARE(Dlg->Label15->text(), VendorCaption);
        QCOMPARE(Dlg->Label17->text(), VersionCaption);
        if (File == "b.mp3") {
            QVERIFY(Dlg->LblBitrate->text().startsWith("CBR 128"));
            QCOMPARE(Dlg->LblLayer->text(), "Layer III");
        }
        if (File == "d.flac") QVERIFY(Dlg->LblVersion->text().endsWith("%"));
        if (File == "e.ape") QVERIFY(Dlg->LblVendor->text().endsWith("% - Extra High"));
        for (QCheckBox* Box : {Dlg->CBoxCRC, Dlg->CBoxOriginal, Dlg->CBoxCopy}) QVERIFY(!Box->isEnabled());

        // OK empties every value and brings the captions back.
        Dlg->BtnOK->click();
        QVERIFY(!Dlg->isVisible());
        for (QLabel* Label :
             {Dlg->LblLength, Dlg->LblBitrate, Dlg->LblVendor, Dlg->LblVersion, Dlg->LblLayer})
            QCOMPARE(Label->text(), QString());
        QCOMPARE(Dlg->edFilename->text(), QString());
        QCOMPARE(Dlg->edExt->text(), QString());
        QCOMPARE(Dlg->Label15->text(), "Vendor:");
        QCOMPARE(Dlg->Label17->text(), "Version:");
        QVERIFY(!Dlg->CBoxOriginal->isChecked());
    }

    void anInvalidFileLeavesTheWindowEmpty() {
        std::vector<uint8_t> Noise(4000, 0x5A);
        WriteFileBytes(Dir->File("noise.FLAC"), Noise);
        WriteFileBytes(Dir->File("noise.xyz"), Noise);
        // A file the Ogg Vorbis reader cannot open is reported in an error message box.
        TMessageBoxAnswers Errors(QMessageBox::Ok);
        for (const std::string& File : {Dir->File("noise.FLAC"), Dir->File("missing.mp3"),
                                        Dir->File("noise.xyz"), Dir->File("missing.ogg")}) {
            Show(File);
            QCOMPARE(Dlg->edFilename->text(), QString::fromStdString(File));
            QCOMPARE(Dlg->edExt->text(), QString());
            QCOMPARE(Dlg->LblLength->text(), QString());
            QCOMPARE(Dlg->Label17->text(), "Version:");
            Dlg->BtnOK->click();
        }
        QCOMPARE(Errors.Texts.size(), 1);
        QVERIFY(Errors.Texts[0].contains("missing.ogg"));
    }
};

int RunInfoTagDlgTests(int argc, char** argv) {
    InfoTagDlgTest Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "InfoTagDlgTest.moc"
