#include "desktop/uInfoTagDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "analysis/MediaInfo.h"

namespace deraz {

namespace {

constexpr int ClientWidth = 698;
constexpr int ClientHeight = 359;

QLineEdit* ReadOnlyEdit(QWidget* Parent) {
    auto* Edit = new QLineEdit(Parent);
    Edit->setReadOnly(true);
    return Edit;
}

QString Q(const std::string& Text) {
    return QString::fromStdString(Text);
}

// The captions the analysers give for the vendor and version lines.
constexpr const char* AnalyserCaptions[] = {QT_TRANSLATE_NOOP("deraz::TInfoTagDlg", "Vendor:"),
                                            QT_TRANSLATE_NOOP("deraz::TInfoTagDlg", "Version:"),
                                            QT_TRANSLATE_NOOP("deraz::TInfoTagDlg", "Compression:")};

QString CaptionText(const std::string& Caption) {
    for (const char* Known : AnalyserCaptions)
        if (Caption == Known) return TInfoTagDlg::tr(Known);
    return Q(Caption);
}

// A value too long for its label ends in "..." and shows whole in the label's tool tip.
void ShowValue(QLabel* Label, const std::string& Value) {
    const QString Text = Q(Value);
    const QString Shown =
        Label->fontMetrics().elidedText(Text, Qt::ElideRight, Label->contentsRect().width());
    Label->setText(Shown);
    Label->setToolTip(Shown == Text ? QString() : Text);
}

} // namespace

TInfoTagDlg::TInfoTagDlg(QWidget* Parent, TMediaAnalysers& Analysers)
    : QDialog(Parent), FAnalysers(Analysers) {
    setObjectName("InfoTagDlg");
    // No close button: OK is the way out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    edFilename = ReadOnlyEdit(this);
    edFilename->setEnabled(false);
    edExt = ReadOnlyEdit(this);
    auto* FileRow = new QHBoxLayout;
    FileRow->addWidget(new QLabel(tr("File:"), this));
    FileRow->addWidget(edFilename, 1);
    FileRow->addWidget(new QLabel(tr("File extension."), this));
    edExt->setFixedWidth(70);
    FileRow->addWidget(edExt);

    BtnOK = new QPushButton(tr("OK"), this);
    BtnOK->setObjectName("BtnOK");
    connect(BtnOK, &QPushButton::clicked, this, &TInfoTagDlg::BtnOKClick);
    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(BtnOK);

    auto* Groups = new QHBoxLayout;
    Groups->addWidget(CreateTags(), 1);
    Groups->addWidget(CreateFileInformation(), 1);
    auto* Layout = new QVBoxLayout(this);
    Layout->addLayout(FileRow);
    Layout->addLayout(Groups, 1);
    Layout->addLayout(Buttons);

    setFixedSize(sizeHint().expandedTo(QSize(ClientWidth, ClientHeight)));
}

QWidget* TInfoTagDlg::CreateTags() {
    auto* Group = new QGroupBox(tr("Standard tags..."), this);
    auto* Form = new QFormLayout(Group);
    edArtist = ReadOnlyEdit(Group);
    edTitle = ReadOnlyEdit(Group);
    edAlbum = ReadOnlyEdit(Group);
    edTrack = ReadOnlyEdit(Group);
    edDate = ReadOnlyEdit(Group);
    ComBoxGenre = new QComboBox(Group);
    ComBoxGenre->setEditable(true);
    ComBoxGenre->lineEdit()->setReadOnly(true);
    CommentsBox = new QPlainTextEdit(Group);
    CommentsBox->setReadOnly(true);
    CommentsBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Form->addRow(tr("Artist:"), edArtist);
    Form->addRow(tr("Title:"), edTitle);
    Form->addRow(tr("Album:"), edAlbum);
    auto* TrackRow = new QHBoxLayout;
    TrackRow->addWidget(edTrack);
    TrackRow->addWidget(new QLabel(tr("Date / year:"), Group));
    TrackRow->addWidget(edDate);
    Form->addRow(tr("Track:"), TrackRow);
    Form->addRow(tr("Genre:"), ComBoxGenre);
    Form->addRow(tr("Comments:"), CommentsBox);
    return Group;
}

QWidget* TInfoTagDlg::CreateFileInformation() {
    auto* Group = new QGroupBox(tr("File information..."), this);
    auto* Grid = new QGridLayout(Group);
    auto Value = [Group] {
        auto* Label = new QLabel(Group);
        Label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        Label->setMinimumWidth(150);
        Label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        return Label;
    };
    LblLength = Value(), LblBitrate = Value(), LblFilesize = Value(), LblChannels = Value();
    LblSamplerate = Value(), LblVendor = Value(), LblEncoder = Value(), LblVersion = Value();
    LblLayer = Value(), LblFrames = Value(), LblEmphasis = Value();
    const std::pair<QString, QLabel*> Lines[] = {{tr("Duration:"), LblLength},
                                                 {tr("Average bitrate:"), LblBitrate},
                                                 {tr("File size:"), LblFilesize},
                                                 {tr("Channels:"), LblChannels},
                                                 {tr("Sampling rate:"), LblSamplerate},
                                                 {tr("Vendor:"), LblVendor},
                                                 {tr("Encoder:"), LblEncoder},
                                                 {tr("Version:"), LblVersion},
                                                 {tr("Layer:"), LblLayer},
                                                 {tr("Frames:"), LblFrames},
                                                 {tr("Emphasis:"), LblEmphasis}};
    int Row = 0;
    for (const auto& [Caption, Target] : Lines) {
        auto* CaptionLabel = new QLabel(Caption, Group);
        if (Target == LblVendor) Label15 = CaptionLabel;
        if (Target == LblVersion) Label17 = CaptionLabel;
        Grid->addWidget(CaptionLabel, Row, 0);
        Grid->addWidget(Target, Row, 1);
        ++Row;
    }
    CBoxCRC = new QCheckBox(tr("CRC"), Group);
    CBoxOriginal = new QCheckBox(tr("Original"), Group);
    CBoxCopy = new QCheckBox(tr("Copyrighted"), Group);
    auto* Checks = new QHBoxLayout;
    for (QCheckBox* Box : {CBoxCRC, CBoxOriginal, CBoxCopy}) {
        Box->setEnabled(false);
        Checks->addWidget(Box);
    }
    Checks->addStretch();
    Grid->addLayout(Checks, Row, 0, 1, 2);
    Grid->setColumnStretch(1, 1);
    return Group;
}

void TInfoTagDlg::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (Event->spontaneous()) return;
    BtnOK->setFocus();
    ShowMediaInfo(edFilename->text().toStdString());
}

void TInfoTagDlg::ShowMediaInfo(const std::string& FileName) {
    TMediaInfo Info;
    if (!ReadMediaInfo(FAnalysers, FileName, Info)) return;
    edExt->setText(Q(Info.Ext));
    edArtist->setText(Q(Info.Artist));
    edTitle->setText(Q(Info.Title));
    edAlbum->setText(Q(Info.Album));
    edTrack->setText(Q(Info.Track));
    edDate->setText(Q(Info.Date));
    ComBoxGenre->setEditText(Q(Info.Genre));
    CommentsBox->setPlainText(Q(Info.Comments));
    const std::pair<QLabel*, const std::string&> Values[] = {
        {LblLength, Info.Length},     {LblBitrate, Info.Bitrate},       {LblFilesize, Info.FileSize},
        {LblChannels, Info.Channels}, {LblSamplerate, Info.SampleRate}, {LblVendor, Info.Vendor},
        {LblEncoder, Info.Encoder},   {LblVersion, Info.Version},       {LblLayer, Info.Layer},
        {LblFrames, Info.Frames},     {LblEmphasis, Info.Emphasis}};
    for (const auto& [Label, Value] : Values) ShowValue(Label, Value);
    CBoxCRC->setChecked(Info.CRC);
    CBoxOriginal->setChecked(Info.Original);
    CBoxCopy->setChecked(Info.Copyrighted);
    Label15->setText(CaptionText(Info.VendorCaption));
    Label17->setText(CaptionText(Info.VersionCaption));
}

void TInfoTagDlg::BtnOKClick() {
    for (QLabel* Label : {LblLength, LblBitrate, LblFilesize, LblChannels, LblSamplerate, LblVendor,
                          LblEncoder, LblVersion, LblLayer, LblFrames, LblEmphasis}) {
        Label->clear();
        Label->setToolTip({});
    }
    for (QCheckBox* Box : {CBoxCRC, CBoxOriginal, CBoxCopy}) Box->setChecked(false);
    CommentsBox->clear();
    for (QLineEdit* Edit : {edDate, edArtist, edFilename, edTitle, edAlbum, edTrack, edExt}) Edit->clear();
    ComBoxGenre->setEditText({});
    Label15->setText(tr("Vendor:"));
    Label17->setText(tr("Version:"));
    accept();
}

void TInfoTagDlg::reject() {
    // Escape leaves the window the way OK does, so the next file starts from empty controls.
    BtnOKClick();
}

} // namespace deraz
