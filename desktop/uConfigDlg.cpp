#include "desktop/uConfigDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

#include "codecs/FormatTable.h"
#include "desktop/MessageBoxes.h"
#include "desktop/Sound.h"
#include "desktop/uWindowStyle.h"
#include "driver/FileNames.h"
#include "driver/NamePattern.h"
#include "driver/Settings.h"

namespace deraz {

namespace {

const char* const DoneCaption = QT_TRANSLATE_NOOP("deraz::TConfigDlg", "Conversion done. - ");
const char* const ErrorCaption = QT_TRANSLATE_NOOP("deraz::TConfigDlg", "Conversion error. - ");
constexpr int MaxParallel = 64;

QCheckBox* CheckBox(QWidget* Parent, const QString& Caption, const QString& Hint, QRect Where) {
    auto* Box = new QCheckBox(Caption, Parent);
    Box->setToolTip(Hint);
    Box->setGeometry(Where);
    return Box;
}

// Selects the item holding Value, adding it when the list has none (a limit stored elsewhere).
void SelectLimit(QComboBox* Combo, int Value) {
    if (Combo->findData(Value) < 0) Combo->addItem(QString::number(Value), Value);
    Combo->setCurrentIndex(Combo->findData(Value));
}

} // namespace

TConfigDlg::TConfigDlg(const std::string& SettingsFile, QWidget* Parent)
    : QDialog(Parent), FSettingsFile(SettingsFile) {
    setWindowTitle(tr("Preferences..."));
    setFixedSize(541, 409);
    DisableCloseButton(this);
    SetFormColor(this);

    PageControl1 = new QTabWidget(this);
    PageControl1->setGeometry(8, 6, 525, 372);
    GeneralTab = new QWidget;
    PageControl1->addTab(GeneralTab, tr("General"));

    GroupBox1 = new QGroupBox(tr("Mini mode..."), GeneralTab);
    GroupBox1->setGeometry(4, 24, 513, 194);
    CBoxNotify =
        CheckBox(GroupBox1, tr("Always notify me when conversion is done."),
                 tr("Always notify you when conversion is done or errors orccured."), {8, 20, 501, 20});
    CBoxAuto =
        CheckBox(GroupBox1, tr("Automatialy send application to mini mode when conversion starts."),
                 tr("This will send Deraz Audio Converter to minimode every time you start a conversion "
                    "progress."),
                 {8, 42, 501, 20});
    CBoxEnable =
        CheckBox(GeneralTab, tr("Mini mode disabled."), tr("Enable or disable minimode."), {10, 2, 300, 20});
    CBoxSound = CheckBox(GroupBox1, tr("Notify me with sound."),
                         tr("Use a sound to tell you if the conversion is done or errors orcoured."),
                         {8, 64, 501, 20});
    BuildSoundGroup();

    auto* Before = new QLabel(tr("Convert &up to"), GeneralTab);
    Before->setGeometry(10, 224, 88, 22);
    SpinParallel = new QSpinBox(GeneralTab);
    Before->setBuddy(SpinParallel);
    SpinParallel->setGeometry(100, 223, 54, 24);
    SpinParallel->setRange(1, MaxParallel);
    SpinParallel->setToolTip(tr("How many files convert at the same time; 1 converts one after another."));
    auto* After = new QLabel(tr("files at once."), GeneralTab);
    After->setGeometry(160, 224, 130, 22);
    auto* GainLabel = new QLabel(tr("Write ReplayGain tags:"), GeneralTab);
    GainLabel->setGeometry(296, 224, 140, 22);
    ComboReplayGain = new QComboBox(GeneralTab);
    ComboReplayGain->addItems({tr("off"), tr("track"), tr("album")});
    ComboReplayGain->setGeometry(436, 223, 78, 24);
    ComboReplayGain->setToolTip(tr("Measure the loudness of every converted file and tag it, so that players "
                                   "can play tracks (or whole albums) at one loudness."));
    BuildFoldersGroup();
    BuildDeviceTab();
    BuildNamesTab();

    BtnOK = new QPushButton(tr("OK"), this);
    BtnOK->setGeometry(368, 381, 80, 25);
    BtnOK->setDefault(true);
    BtnCancel = new QPushButton(tr("Cancel"), this);
    BtnCancel->setGeometry(453, 381, 80, 25);
    OpenWavDlg = new QFileDialog(this);
    OpenWavDlg->setNameFilter(tr("Windows Wave Files (*.wav)"));
    OpenWavDlg->setFileMode(QFileDialog::ExistingFile);

    // Every control but the main switch starts disabled; loading sets the switches, whose
    // handlers then enable what they govern.
    for (QWidget* Control : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(CBoxNotify),
                             static_cast<QWidget*>(CBoxAuto), static_cast<QWidget*>(CBoxSound)})
        Control->setEnabled(false);
    CBoxSoundClick(false);
    connect(CBoxEnable, &QCheckBox::toggled, this, &TConfigDlg::CBoxEnableClick);
    connect(CBoxSound, &QCheckBox::toggled, this, &TConfigDlg::CBoxSoundClick);
    connect(Button1, &QPushButton::clicked, this, [this] {
        ChooseSound(tr("Please select a sound for done conversion..."), edConvDone, Lbl1, tr(DoneCaption));
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        ChooseSound(tr("Please select a sound for errors..."), edConvError, Lbl2, tr(ErrorCaption));
    });
    connect(BitBtn1, &QToolButton::clicked, this, [this] { PlaySound(edConvDone); });
    connect(BitBtn2, &QToolButton::clicked, this, [this] { PlaySound(edConvError); });
    connect(BtnOK, &QPushButton::clicked, this, &TConfigDlg::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TConfigDlg::BtnCancelClick);
    Load();
}

void TConfigDlg::BuildSoundGroup() {
    GroupBox2 = new QGroupBox(tr("Sound notify..."), GroupBox1);
    GroupBox2->setGeometry(8, 84, 497, 104);
    auto Row = [this](int Top, QLabel*& Label, const QString& Caption, QLineEdit*& Edit, const QString& Hint,
                      QPushButton*& Browse, QToolButton*& Play) {
        Label = new QLabel(Caption, GroupBox2);
        Label->setGeometry(10, Top, 465, 16);
        QFont Bold = Label->font();
        Bold.setBold(true);
        Label->setFont(Bold);
        Edit = new QLineEdit(GroupBox2);
        Edit->setReadOnly(true);
        Edit->setToolTip(Hint);
        Edit->setGeometry(10, Top + 18, 390, 22);
        Browse = new QPushButton("...", GroupBox2);
        Browse->setToolTip(tr("Select a audio file."));
        Browse->setGeometry(406, Top + 18, 30, 22);
        Play = new QToolButton(GroupBox2);
        Play->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
        Play->setToolTip(tr("Play the selected audio file."));
        Play->setGeometry(442, Top + 18, 30, 22);
    };
    Row(16, Lbl1, tr("Conversion done."), edConvDone, tr("Filename for done conversion."), Button1, BitBtn1);
    Bevel1 = new QFrame(GroupBox2);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(10, 58, 465, 4);
    Row(60, Lbl2, tr("Conversion error."), edConvError, tr("Filename for errors."), Button2, BitBtn2);
}

void TConfigDlg::BuildFoldersGroup() {
    FoldersGroup = new QGroupBox(tr("Added folders..."), GeneralTab);
    FoldersGroup->setGeometry(4, 252, 513, 86);
    CBoxKeepFolders = CheckBox(
        FoldersGroup, tr("Keep the folders of added folders under the output directory."),
        tr("Files of an added folder go to the same folders below the output directory."), {8, 20, 501, 20});
    CBoxCopyCovers = CheckBox(FoldersGroup, tr("Copy cover pictures found beside the files."),
                              tr("Cover pictures of an added folder are copied beside the converted files."),
                              {8, 42, 501, 20});
    CBoxUpdateOnly = CheckBox(
        FoldersGroup, tr("Convert only files that are new or changed since their output was written."),
        tr("Files whose output is not older than they are are left as they are."), {8, 64, 501, 20});
}

void TConfigDlg::BuildDeviceTab() {
    DeviceTab = new QWidget;
    PageControl1->addTab(DeviceTab, tr("Device"));
    auto Row = [this](int Top, const QString& Caption, const QList<std::pair<QString, int>>& Items,
                      const QString& Hint) {
        auto* Label = new QLabel(Caption, DeviceTab);
        Label->setGeometry(10, Top, 150, 22);
        auto* Combo = new QComboBox(DeviceTab);
        for (const auto& [Text, Value] : Items) Combo->addItem(Text, Value);
        Combo->setGeometry(166, Top, 110, 24);
        Combo->setToolTip(Hint);
        return Combo;
    };
    ComboMaxRate = Row(12, tr("Highest sample rate:"),
                       {{tr("Keep"), 0}, {"96000", 96000}, {"48000", 48000}, {"44100", 44100}},
                       tr("Inputs above this rate are resampled to the highest rate of their family at or "
                          "below it (88200 Hz to 44100 Hz, 96000 Hz to 48000 Hz)."));
    ComboMaxBits = Row(42, tr("Highest bit depth:"), {{tr("Keep"), 0}, {"24", 24}, {"16", 16}},
                       tr("Wider inputs are reduced with dither in lossless outputs; lossy outputs take "
                          "them as they are."));
    ComboChannels = Row(72, tr("Channels:"), {{tr("Keep"), 0}, {tr("Stereo"), 2}, {tr("Mono"), 1}},
                        tr("Inputs with more channels are mixed down."));
    CBoxCopyCompatible =
        CheckBox(DeviceTab, tr("Copy files already in the output format instead of converting them."),
                 tr("A lossy file at or below the chosen bit rate, or a lossless file in the same "
                    "format, is copied as it is when no limit above applies."),
                 {10, 106, 501, 20});
}

void TConfigDlg::BuildNamesTab() {
    NamesTab = new QWidget;
    PageControl1->addTab(NamesTab, tr("Names"));
    CBoxNameByTags =
        CheckBox(NamesTab, tr("Name outputs by their tags:"),
                 tr("Outputs in the output directory are named by the pattern below."), {10, 12, 501, 20});
    EditNamePattern = new QLineEdit(NamesTab);
    EditNamePattern->setGeometry(28, 38, 480, 24);
    auto* Fields =
        new QLabel(tr("Fields: {artist} {albumartist} {album} {title} {track} {disc} {year} {genre} "
                      "{composer} {filename} {folder}; {track:02} pads a number with zeros."),
                   NamesTab);
    Fields->setWordWrap(true);
    Fields->setGeometry(28, 68, 480, 36);
    LblNamePreview = new QLabel(NamesTab);
    LblNamePreview->setWordWrap(true);
    LblNamePreview->setGeometry(28, 108, 480, 54);
    CBoxRemoveGone = CheckBox(NamesTab, tr("Remove outputs whose source is gone."),
                              tr("When a batch starts, outputs in the output directory whose source file has "
                                 "gone are removed, after asking."),
                              {10, 176, 501, 20});
    connect(EditNamePattern, &QLineEdit::textChanged, this, &TConfigDlg::ShowNamePreview);
    connect(CBoxNameByTags, &QCheckBox::toggled, EditNamePattern, &QWidget::setEnabled);
}

void TConfigDlg::ShowNamePreview() {
    std::optional<TInputFile> Input = SelectedInput ? SelectedInput() : std::nullopt;
    if (!Input) {
        LblNamePreview->setText(tr("Select a file in the media bin to see its output name here."));
        return;
    }
    try {
        TNamePattern Pattern(EditNamePattern->text().toStdString());
        std::string Extension = OutputExtension(TSettings(FSettingsFile).OutputChoice().DestExt);
        LblNamePreview->setText(
            tr("%1 gives: %2")
                .arg(QString::fromStdString(ExtractFileName(Input->Path)),
                     QString::fromStdString(Pattern.Expand(*Input, ReadTags(Input->Path), Extension))));
    } catch (const std::invalid_argument& E) {
        LblNamePreview->setText(QString::fromStdString(E.what()));
    }
}

void TConfigDlg::Load() {
    TSettings Settings(FSettingsFile);
    TPreferences Stored = Settings.Preferences();
    CBoxEnable->setChecked(Stored.Minimode);
    CBoxNotify->setChecked(Stored.Notify);
    CBoxAuto->setChecked(Stored.AutoMinimode);
    CBoxSound->setChecked(Stored.UseSound);
    edConvDone->setText(QString::fromStdString(Stored.Done));
    edConvError->setText(QString::fromStdString(Stored.Error));
    SpinParallel->setValue(Settings.ParallelConversions());
    TLibraryPreferences Library = Settings.LibraryPreferences();
    CBoxKeepFolders->setChecked(Library.KeepFolders);
    CBoxCopyCovers->setChecked(Library.CopyCovers);
    CBoxUpdateOnly->setChecked(Library.UpdateOnly);
    ComboReplayGain->setCurrentIndex(Settings.ReplayGain());
    const TDeviceLimits Limits = Settings.DeviceLimits();
    SelectLimit(ComboMaxRate, Limits.MaxRate);
    SelectLimit(ComboMaxBits, Limits.MaxBits);
    SelectLimit(ComboChannels, Limits.Channels);
    CBoxCopyCompatible->setChecked(Settings.CopyCompatible());
    const TNamingPreferences Naming = Settings.NamingPreferences();
    CBoxNameByTags->setChecked(Naming.NameByTags);
    EditNamePattern->setText(QString::fromStdString(Naming.NamePattern));
    EditNamePattern->setEnabled(Naming.NameByTags);
    CBoxRemoveGone->setChecked(Naming.RemoveGone);
}

void TConfigDlg::showEvent(QShowEvent* Event) {
    PageControl1->setCurrentWidget(GeneralTab);
    ShowNamePreview();
    Lbl1->setText(tr(DoneCaption) + QFileInfo(edConvDone->text()).fileName());
    Lbl2->setText(tr(ErrorCaption) + QFileInfo(edConvError->text()).fileName());
    QDialog::showEvent(Event);
}

void TConfigDlg::CBoxEnableClick(bool Checked) {
    CBoxEnable->setText(Checked ? tr("Mini mode enabled.") : tr("Mini mode disabled."));
    for (QWidget* Control : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(CBoxNotify),
                             static_cast<QWidget*>(CBoxAuto), static_cast<QWidget*>(CBoxSound)})
        Control->setEnabled(Checked);
}

void TConfigDlg::CBoxSoundClick(bool Checked) {
    for (QWidget* Control :
         {static_cast<QWidget*>(Lbl1), static_cast<QWidget*>(GroupBox2), static_cast<QWidget*>(Lbl2),
          static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn2), static_cast<QWidget*>(Button1),
          static_cast<QWidget*>(Button2), static_cast<QWidget*>(edConvDone),
          static_cast<QWidget*>(edConvError)})
        Control->setEnabled(Checked);
}

void TConfigDlg::ChooseSound(const QString& Title, QLineEdit* Edit, QLabel* Label, const QString& Caption) {
    OpenWavDlg->setWindowTitle(Title);
    if (OpenWavDlg->exec() != QDialog::Accepted || OpenWavDlg->selectedFiles().isEmpty()) return;
    QString Chosen = OpenWavDlg->selectedFiles().first();
    Edit->setText(QFileInfo(Chosen).absoluteFilePath());
    Label->setText(Caption + QFileInfo(Chosen).fileName());
}

void TConfigDlg::PlaySound(QLineEdit* Edit) {
    if (!Edit->text().isEmpty()) {
        PlaySoundFile(Edit->text());
        return;
    }
    ShowError(this, tr("Please select wave file first!"));
}

void TConfigDlg::BtnOKClick() {
    try {
        TSettings Settings(FSettingsFile);
        Settings.WritePreferences({CBoxEnable->isChecked(), CBoxNotify->isChecked(), CBoxAuto->isChecked(),
                                   CBoxSound->isChecked(), edConvDone->text().toStdString(),
                                   edConvError->text().toStdString()});
        Settings.WriteParallelConversions(SpinParallel->value());
        Settings.WriteLibraryPreferences(
            {CBoxKeepFolders->isChecked(), CBoxCopyCovers->isChecked(), CBoxUpdateOnly->isChecked()});
        Settings.WriteReplayGain(TGainMode(ComboReplayGain->currentIndex()));
        Settings.WriteDeviceOutput({ComboMaxRate->currentData().toInt(), ComboMaxBits->currentData().toInt(),
                                    ComboChannels->currentData().toInt()},
                                   CBoxCopyCompatible->isChecked());
        const std::string Pattern = EditNamePattern->text().toStdString();
        if (CBoxNameByTags->isChecked()) TNamePattern Check(Pattern); // refuses a pattern that cannot name
        Settings.WriteNamingPreferences({CBoxNameByTags->isChecked(), Pattern, CBoxRemoveGone->isChecked()});
    } catch (const std::exception& E) {
        ShowError(this, QString::fromStdString(E.what()));
        return;
    }
    accept();
}

void TConfigDlg::BtnCancelClick() {
    QDialog::reject();
}

} // namespace deraz
