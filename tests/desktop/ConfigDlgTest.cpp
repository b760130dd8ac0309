// The preferences dialog over a real settings file: loading, the two enabling switches, the
// folder preferences, OK and Cancel.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>
#include <thread>

#include "desktop/uConfigDlg.h"
#include "driver/Settings.h"
#include "tests/desktop/UiTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace deraz;

namespace {

std::string FileText(const std::string& Name) {
    auto Bytes = test::ReadFileBytes(Name);
    return {Bytes.begin(), Bytes.end()};
}

QList<QWidget*> SoundControls(TConfigDlg& Dlg) {
    return {Dlg.Lbl1,    Dlg.GroupBox2, Dlg.Lbl2,       Dlg.BitBtn1,    Dlg.BitBtn2,
            Dlg.Button1, Dlg.Button2,   Dlg.edConvDone, Dlg.edConvError};
}

} // namespace

class ConfigDlgTest : public QObject {
    Q_OBJECT
private slots:
    void AFreshFileLeavesOnlyTheMainSwitchUsable() {
        test::TTempDir Dir;
        TConfigDlg Dlg(Dir.File("Varidir.ini"));
        Dlg.show();
        QCOMPARE(Dlg.CBoxEnable->text(), QString("Mini mode disabled."));
        QVERIFY(Dlg.CBoxEnable->isEnabled());
        for (QWidget* Control :
             SoundControls(Dlg) + QList<QWidget*>{Dlg.GroupBox1, Dlg.CBoxNotify, Dlg.CBoxAuto, Dlg.CBoxSound})
            QVERIFY2(!Control->isEnabled(), qPrintable(Control->objectName()));
        QCOMPARE(Dlg.Lbl1->text(), QString("Conversion done. - "));
        QCOMPARE(Dlg.Lbl2->text(), QString("Conversion error. - "));
        QCOMPARE(Dlg.SpinParallel->value(), int(std::max(1u, std::thread::hardware_concurrency())));
        QVERIFY(Dlg.CBoxKeepFolders->isChecked() && Dlg.CBoxCopyCovers->isChecked());
        QVERIFY(!Dlg.CBoxUpdateOnly->isChecked());

        // Playing without a file is refused with a message.
        Dlg.CBoxEnable->setChecked(true);
        Dlg.CBoxSound->setChecked(true);
        test::TMessageBoxAnswers Watcher(QMessageBox::Ok);
        Dlg.BitBtn1->click();
        QCOMPARE(Watcher.Texts, QStringList{"Please select wave file first!"});
    }

    void TheSwitchesAreIndependent() {
        test::TTempDir Dir;
        std::string Ini = Dir.File("Varidir.ini");
        TSettings(Ini).WritePreferences({false, true, false, true, "/sounds/done.wav", ""});
        TConfigDlg Dlg(Ini);
        Dlg.show();
        QCOMPARE(Dlg.Lbl1->text(), QString("Conversion done. - done.wav"));
        QCOMPARE(Dlg.edConvDone->text(), QString("/sounds/done.wav"));
        QVERIFY(Dlg.CBoxNotify->isChecked() && Dlg.CBoxSound->isChecked());
        // Enabled by their own switch, yet unusable inside the disabled mini mode group.
        for (QWidget* Control : SoundControls(Dlg)) {
            QVERIFY(!Control->isEnabled());
            QVERIFY(!Control->testAttribute(Qt::WA_ForceDisabled));
        }
        Dlg.CBoxEnable->setChecked(true);
        QCOMPARE(Dlg.CBoxEnable->text(), QString("Mini mode enabled."));
        for (QWidget* Control : SoundControls(Dlg)) QVERIFY(Control->isEnabled());
        Dlg.CBoxSound->setChecked(false);
        for (QWidget* Control : SoundControls(Dlg)) QVERIFY(!Control->isEnabled());
        QVERIFY(Dlg.CBoxAuto->isEnabled());
    }

    void CancelKeepsTheChangesUnwrittenAndOkWritesThem() {
        test::TTempDir Dir;
        std::string Ini = Dir.File("Varidir.ini");
        TSettings(Ini).WritePreferences({true, false, false, false, "", ""});
        TSettings(Ini).WriteLibraryPreferences({false, true, true});
        std::string Before = FileText(Ini);
        TConfigDlg Dlg(Ini);
        Dlg.show();
        Dlg.CBoxAuto->setChecked(true);
        Dlg.SpinParallel->setValue(3);
        Dlg.ComboReplayGain->setCurrentIndex(2);
        QVERIFY(!Dlg.CBoxKeepFolders->isChecked() && Dlg.CBoxCopyCovers->isChecked() &&
                Dlg.CBoxUpdateOnly->isChecked());
        Dlg.CBoxKeepFolders->setChecked(true);
        Dlg.CBoxCopyCovers->setChecked(false);
        Dlg.BtnCancel->click();
        QVERIFY(!Dlg.isVisible());
        QCOMPARE(FileText(Ini), Before);
        Dlg.show();
        QVERIFY(Dlg.CBoxAuto->isChecked());
        Dlg.ComboMaxRate->setCurrentIndex(Dlg.ComboMaxRate->findData(48000));
        Dlg.ComboChannels->setCurrentIndex(Dlg.ComboChannels->findData(1));
        Dlg.BtnOK->click();
        QVERIFY(!Dlg.isVisible());
        QCOMPARE(
            QString::fromStdString(FileText(Ini)),
            QString("[General]\nMinimode=1\nNotify=0\nAutoMinimode=1\nUseSound=0\nDone=\nError=\n"
                    "KeepFolders=1\nCopyCovers=0\nUpdateOnly=1\nParallelConversions=3\nReplayGain=2\n"
                    "NameByTags=0\nNamePattern={albumartist}/{album}/{track:02} - {title}\nRemoveGone=0\n"
                    "[Output]\nMaxRate=48000\nMaxBits=0\nChannels=1\nCopyCompatible=0\n"));
    }
};

QTEST_MAIN(ConfigDlgTest)
#include "ConfigDlgTest.moc"
