#include "desktop/uConfigOutputDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "desktop/MessageBoxes.h"
#include "desktop/uMain.h"
#include "driver/OutputFormats.h"
#include "driver/Settings.h"

namespace deraz {

namespace {

constexpr int ClientWidth = 296;
constexpr int ClientHeight = 230;

// The format table's entries and levels as this dialog shows them, listed here for lupdate: a
// text missing from this list (a bit rate, a format added later) is shown as the table has it.
[[maybe_unused]] constexpr const char* TableTexts[] = {
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "OGG Vorbis Encoder (*.ogg)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Lame MP3 Encoder (*.mp3)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Free Lossless Audio Codec Encoder (*.fla)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Free Lossless Audio Codec Encoder (*.flac)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Monkeys Audio Compression Encoder (*.ape)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Wave Writer (*.wav)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Opus Encoder (*.opus)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "AAC Encoder (*.m4a)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Apple Lossless Encoder (*.m4a)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "WavPack Encoder (*.wv)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "AIFF Writer (*.aiff)"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Standard"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Standad"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Fast"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Normal"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "High"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Extra high"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Insane"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Very high"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Fast - Poor compression"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Normal - Good compression"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "High - Good compression"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Extra high - Best compression"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Insane compression"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Braindead compression"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Level 0 - fastest"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Level 1"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Level 2"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Level 3"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Level 4"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Level 5 - default"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Level 6"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Level 7"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Level 8 - smallest"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 0 - 64 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 1 - 80 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 2 - 96 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 3 - 112 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 4 - 128 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 5 - 160 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 6 - 192 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 7 - 224 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 8 - 256 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 9 - 320 kbps"),
    QT_TRANSLATE_NOOP("deraz::TConfigOutputDlg", "Quality 10 - 500 kbps")};

QGroupBox* Group(QWidget* Parent, const QString& Caption) {
    auto* Box = new QGroupBox(Caption, Parent);
    new QVBoxLayout(Box);
    return Box;
}

} // namespace

TConfigOutputDlg::TConfigOutputDlg(TMainForm* MainForm, std::string SettingsFileName)
    : QDialog(MainForm), FMainForm(MainForm), FSettingsFileName(std::move(SettingsFileName)) {
    setObjectName("ConfigOutputDlg");
    setWindowTitle(tr("Choose output format..."));
    // No close button: the dialog is left through its own buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    BtnOK = new QPushButton(tr("Accept."), this);
    BtnOK->setToolTip(tr("Accept changes."));
    BtnCancel = new QPushButton(tr("Cancel"), this);
    BtnCancel->setToolTip(tr("Discard changes."));
    ComboxDestFormat = new QComboBox(this);
    ComboxDestFormat->setObjectName("ComboxDestFormat");
    ComboxDestFormat->setToolTip(tr("Select the encoder for the output format."));
    for (const TOutputFormat& Format : OutputFormats()) ComboxDestFormat->addItem(tr(Format.Entry));
    CBoxCopyTags = new QCheckBox(tr("Copy tags from source file."), this);
    CBoxCopyTags->setToolTip(tr("Copy all tag information from source file to destination file."));
    ComboxBitrates = new QComboBox(this);
    ComboxBitrates->setObjectName("ComboxBitrates");
    ComboxBitrates->setToolTip(tr("Select the bitrate quality."));
    CBoxUseBitrate = new QCheckBox(tr("If source bitrate is lower than destination bitrate, "), this);
    CBoxUseBitrate->setToolTip(tr("Choose to not up/down convert bitrate if under specifired."));
    Label1 = new QLabel(tr("then use same bitrate as source."), this);

    QGroupBox* GroupBox2 = Group(this, tr("Destination format..."));
    GroupBox2->layout()->addWidget(ComboxDestFormat);
    GroupBox2->layout()->addWidget(CBoxCopyTags);
    QGroupBox* GroupBox3 = Group(this, tr("Bitrate quality selection..."));
    GroupBox3->layout()->addWidget(ComboxBitrates);
    GroupBox3->layout()->addWidget(CBoxUseBitrate);
    // The label continues the check box's caption, under its text.
    Label1->setIndent(CBoxUseBitrate->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                      CBoxUseBitrate->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
    GroupBox3->layout()->addWidget(Label1);
    GroupBox3->layout()->setSpacing(2);

    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(BtnOK);
    Buttons->addWidget(BtnCancel);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(GroupBox2);
    Layout->addWidget(GroupBox3);
    Layout->addStretch();
    Layout->addLayout(Buttons);

    BtnOK->setDefault(true);
    connect(BtnOK, &QPushButton::clicked, this, &TConfigOutputDlg::BtnOKClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TConfigOutputDlg::BtnCancelClick);
    connect(ComboxDestFormat, &QComboBox::activated, this, &TConfigOutputDlg::ComboxDestFormatChange);

    // The stored choices; the level list is still empty and so keeps no selection.
    TSettings Settings(FSettingsFileName);
    CBoxCopyTags->setChecked(Settings.CopyTags());
    CBoxUseBitrate->setChecked(Settings.CapBitrate());
    ComboxDestFormat->setCurrentIndex(ListPosition(Settings.DestExt()));
    ComboxBitrates->setCurrentIndex(-1);

    setFixedSize(sizeHint().expandedTo(QSize(ClientWidth, ClientHeight)));
}

int TConfigOutputDlg::ListPosition(int32_t DestExt) {
    auto Entries = OutputFormats();
    for (size_t I = 0; I < Entries.size(); ++I)
        if (Entries[I].DestExt == DestExt) return int(I);
    return -1;
}

int32_t TConfigOutputDlg::ChosenDestExt() const {
    const int Index = ComboxDestFormat->currentIndex();
    return Index >= 0 ? OutputFormats()[size_t(Index)].DestExt : -1;
}

void TConfigOutputDlg::FillLevels(std::span<const char* const> Levels, int Selected) {
    ComboxBitrates->clear();
    for (const char* Level : Levels) ComboxBitrates->addItem(tr(Level));
    ComboxBitrates->setCurrentIndex(Selected >= 0 && Selected < ComboxBitrates->count() ? Selected : -1);
}

void TConfigOutputDlg::showEvent(QShowEvent* Event) {
    if (!Event->spontaneous()) FormShow();
    QDialog::showEvent(Event);
}

void TConfigOutputDlg::FormShow() {
    ComboxDestFormat->setFocus();
    TSettings Settings(FSettingsFileName);
    if (const TOutputFormat* Entry = OutputEntry(Settings.DestExt()))
        FillLevels(Entry->ShownLevels, Settings.Bitrate());
    else
        FillLevels({}, -1);
}

void TConfigOutputDlg::ComboxDestFormatChange() {
    int Index = ComboxDestFormat->currentIndex();
    if (Index < 0) return;
    const TOutputFormat& Format = OutputFormats()[size_t(Index)];
    FillLevels(Format.Levels, Format.DefaultLevel);
}

void TConfigOutputDlg::BtnOKClick() {
    TSettings Settings(FSettingsFileName);
    const int32_t DestExt = ChosenDestExt();
    Settings.WriteOutputFormat(DestExt, ComboxBitrates->currentIndex(), CBoxCopyTags->isChecked());
    Settings.WriteCapBitrate(CBoxUseBitrate->isChecked());
    if (FMainForm->EntryCount() == 0) {
        ShowError(this,
                  tr("Cannot update filename extension, because there isnt any files in the media bin!"));
        return;
    }
    std::string Extension = OutputExtension(DestExt);
    if (!Extension.empty()) FMainForm->SetOutputExtensions(Extension);
    accept();
}

void TConfigOutputDlg::BtnCancelClick() {
    reject();
}

} // namespace deraz
