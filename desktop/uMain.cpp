#include "desktop/uMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCollator>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "controls/TExDragDrop.h"
#include "desktop/InstalledFiles.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ProfilesMenu.h"
#include "desktop/WindowPlacement.h"
#include "desktop/uAboutDlg.h"
#include "desktop/uConfigOutputDlg.h"
#include "desktop/uInfoTagDlg.h"
#include "driver/FileNames.h"
#include "driver/MediaBinEntry.h"
#include "driver/NamePattern.h"
#include "driver/OutputFormats.h"
#include "driver/Settings.h"

namespace deraz {

namespace {

constexpr int ClientWidth = 813;
constexpr int ClientHeight = 404;
// How long one round of adding entries may keep the window from its other events.
constexpr int AddSliceMs = 40;
const QColor FormColour(0xE6, 0xE5, 0xDB);

constexpr int SizeColumn = 2;

struct TColumn {
    const char* Caption;
    int Width;
};
constexpr TColumn Columns[] = {{QT_TRANSLATE_NOOP("deraz::TMainForm", "Input filename."), 313},
                               {QT_TRANSLATE_NOOP("deraz::TMainForm", "Output filename."), 313},
                               {QT_TRANSLATE_NOOP("deraz::TMainForm", "File size."), 60},
                               {QT_TRANSLATE_NOOP("deraz::TMainForm", "File type."), 60},
                               {QT_TRANSLATE_NOOP("deraz::TMainForm", "Bitrate"), 50}};

QString Q(const std::string& Text) {
    return QString::fromStdString(Text);
}

// The names of the open dialog's filters, from the format table.
[[maybe_unused]] constexpr const char* FilterNames[] = {
    QT_TRANSLATE_NOOP("deraz::TMainForm", "All Supported Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "MP3 Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "FLAC Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "APE Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "Wav Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "OGG Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "Opus Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "M4A Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "WavPack Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "AIFF Files"),
    QT_TRANSLATE_NOOP("deraz::TMainForm", "Other Audio Files")};

// A media bin row that sorts as people read: numbers by their value ("9 kbps" before "10 kbps"),
// letters without regard to case.
class TSortableRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& Other) const override {
        static const QCollator Collator = [] {
            QCollator Numeric;
            Numeric.setNumericMode(true);
            Numeric.setCaseSensitivity(Qt::CaseInsensitive);
            return Numeric;
        }();
        const int Column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return Collator.compare(text(Column), Other.text(Column)) < 0;
    }
};

} // namespace

TMainForm::TMainForm(std::string SettingsFileName) : FSettingsFileName(std::move(SettingsFileName)) {
    setObjectName("MainForm");
    setWindowTitle(ApplicationTitle);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QPalette Colours = palette();
    Colours.setColor(QPalette::Window, FormColour);
    setPalette(Colours);
    setAutoFillBackground(true);
    setAcceptDrops(true);

    ExDragDrop1 = new TExDragDrop(this);
    CreateMediaBox();
    CreateMenus();

    auto* Central = new QWidget(this);
    auto* Layout = new QVBoxLayout(Central);
    Layout->setContentsMargins(4, 4, 4, 2);
    Layout->addWidget(MediaBox, 1);
    Layout->addWidget(CreateSteps());
    setCentralWidget(Central);

    TotalPanel = new QLabel(this);
    TotalPanel->setObjectName("TotalPanel");
    statusBar()->addPermanentWidget(TotalPanel);
    statusBar()->setSizeGripEnabled(false);
    UpdateTotal();

    // The platform's own dialog where there is one (a desktop portal or platform theme).
    OpenDlg = new QFileDialog(this, tr("Please Select Media Files For Convert..."));
    OpenDlg->setObjectName("OpenDlg");
    OpenDlg->setFileMode(QFileDialog::ExistingFiles);
    OpenDlg->resize(760, 460);
    // "MP3 Files (*.mp3)": the name in the user's language, the patterns as they are.
    QStringList Filters;
    for (const std::string& Filter : OpenDialogFilters()) {
        const QString Text = QString::fromStdString(Filter);
        const qsizetype Patterns = Text.indexOf(" (");
        Filters << (Patterns < 0 ? Text : tr(Text.left(Patterns).toUtf8().constData()) + Text.mid(Patterns));
    }
    OpenDlg->setNameFilters(Filters);

    ExDragDrop1->SetControl(MediaBox);
    ExDragDrop1->OnDropped = [this](TExDragDrop* Sender, int Count) { ExDragDrop1Dropped(Sender, Count); };
    FAddTimer.setInterval(0);
    connect(&FAddTimer, &QTimer::timeout, this, &TMainForm::AddPendingEntries);

    FAutoMinimode = TSettings(FSettingsFileName).AutoMinimode();

    // The designed client area, or more where the captions need it, is the smallest size; the
    // size, place and column widths of the last run come back.
    QSize Designed(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    setMinimumSize(sizeHint().expandedTo(Designed));
    resize(minimumSize());
    RestorePlacement(FSettingsFileName, this, MediaBox);
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateMediaBox() {
    MediaBox = new QTreeWidget(this);
    MediaBox->setObjectName("MediaBox");
    MediaBox->setRootIsDecorated(false);
    MediaBox->setUniformRowHeights(true);
    MediaBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MediaBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    MediaBox->setAllColumnsShowFocus(true);
    // Grid lines between the cells, and a selection that stays readable when the window is inactive.
    MediaBox->setStyleSheet(
        "QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }"
        "QTreeView::item:selected:active { background: #3875d7; color: white; }"
        "QTreeView::item:selected:!active { background: #c9d6ea; color: black; }");
    QString Hint = tr("This is the media bin, here's all the files you want to convert.");
    MediaBox->setToolTip(Hint);
    MediaBox->setStatusTip(Hint);
    QStringList Captions;
    for (const TColumn& Column : Columns) Captions << tr(Column.Caption);
    MediaBox->setHeaderLabels(Captions);
    // The designed widths, or wider where a caption needs it; the list is wide enough for all.
    QFontMetrics Metrics(MediaBox->header()->font());
    int Total = 2 * MediaBox->frameWidth() + MediaBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int I = 0; I < int(std::size(Columns)); ++I) {
        int Width = std::max(Columns[I].Width, Metrics.horizontalAdvance(Captions[I]) + 16);
        // A size text of a file of a few hundred megabytes is shown whole.
        if (I == SizeColumn) Width = std::max(Width, Metrics.horizontalAdvance("000000000 Bytes.") + 12);
        MediaBox->setColumnWidth(I, Width);
        Total += Width;
    }
    MediaBox->setMinimumWidth(Total);
    MediaBox->header()->setStretchLastSection(false);
    MediaBox->header()->setSectionsMovable(false);
    // A click on a column's caption sorts by it, the next one the other way round.
    MediaBox->header()->setSectionsClickable(true);
    MediaBox->header()->setSortIndicatorShown(true);
    MediaBox->header()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(MediaBox->header(), &QHeaderView::sortIndicatorChanged, this, &TMainForm::SortMediaBox);

    MediaBox->setContextMenuPolicy(Qt::ActionsContextMenu);
    Clearall1 = new QAction(tr("Clear all."), MediaBox);
    RemoveSelected1 = new QAction(tr("Remove selected."), MediaBox);
    MediaBox->addAction(Clearall1);
    MediaBox->addAction(RemoveSelected1);
    connect(Clearall1, &QAction::triggered, this, &TMainForm::Clearall1Click);
    connect(RemoveSelected1, &QAction::triggered, this, &TMainForm::RemoveSelectedClick);
    RemoveSelected1->setShortcut(QKeySequence::Delete);
    RemoveSelected1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    // An entry that becomes the one selected opens the media info window: at once for the
    // keyboard, and for the mouse once its button is released, so the list never sees a press
    // without release. Selecting several (Shift, Ctrl, Ctrl+A) opens nothing.
    connect(MediaBox, &QTreeWidget::itemSelectionChanged, this, [this] {
        FInfoPending = MediaBox->selectedItems().size() == 1;
        if (FInfoPending && QGuiApplication::mouseButtons() == Qt::NoButton) OpenPendingInfo();
    });
    connect(MediaBox, &QTreeWidget::itemClicked, this, &TMainForm::OpenPendingInfo);
}

QAction* TMainForm::MenuAction(QMenu* Menu, const QString& Caption, const QKeySequence& Shortcut,
                               const QString& Hint, const QString& Icon) {
    QAction* Action = Menu->addAction(QIcon(":/icons/" + Icon + ".png"), Caption);
    Action->setShortcut(Shortcut);
    Action->setStatusTip(Hint);
    Action->setToolTip(Hint);
    return Action;
}

void TMainForm::CreateMenus() {
    QMenu* File1 = menuBar()->addMenu(tr("File"));
    SelectMediaFiles1 = MenuAction(File1, tr("Select audio files."), QKeySequence("Ctrl+O"),
                                   tr("Select the audio files you wish to convert."), "files");
    SelectAudioFolder1 = MenuAction(File1, tr("Select audio folder."), QKeySequence("Ctrl+Shift+O"),
                                    tr("Select a folder whose audio files you wish to convert."), "folder");
    SelectOutputDirectory1 = MenuAction(File1, tr("Select output directory."), QKeySequence("Ctrl+D"),
                                        tr("Select the destination directory."), "folder");
    Chooseformat1 = MenuAction(File1, tr("Choose format."), QKeySequence("Ctrl+F"),
                               tr("Choose the output format for you audio files."), "format");
    Startconversion1 = MenuAction(File1, tr("Start conversion."), QKeySequence("Ctrl+S"),
                                  tr("Start the audio conversion."), "start");
    File1->addSeparator();
    Exit1 = MenuAction(File1, tr("Exit."), QKeySequence("Ctrl+Q"), tr("Quit Deraz Audio Converter."), "exit");
    QMenu* Configure1 = menuBar()->addMenu(tr("Configure"));
    Options1 = MenuAction(Configure1, tr("Options"), QKeySequence(Qt::Key_F5),
                          tr("Configure appearance of Deraz Audio Converter."), "options");
    Configure1->addMenu(new TProfilesMenu(this, Configure1));
    // The program has no web site or mail address: its documentation comes with it.
    QMenu* Help1 = menuBar()->addMenu(tr("Help"));
    Documentation1 = MenuAction(Help1, tr("Documentation."), QKeySequence(Qt::Key_F1),
                                tr("Read how to use Deraz Audio Converter."), "about");
    Documentation1->setEnabled(!DocumentationUrl().isEmpty());
    About1 = MenuAction(Help1, tr("About"), QKeySequence(Qt::Key_F7),
                        tr("See who is responsible for Deraz Audio Converter."), "about");

    connect(SelectMediaFiles1, &QAction::triggered, this, [this] { BtnSelectFiles->click(); });
    connect(SelectAudioFolder1, &QAction::triggered, this, &TMainForm::SelectAudioFolderClick);
    connect(SelectOutputDirectory1, &QAction::triggered, this, [this] { BtnSelectOutput->click(); });
    connect(Chooseformat1, &QAction::triggered, this, [this] { BtnSelOutputFormat->click(); });
    connect(Startconversion1, &QAction::triggered, this, [this] { BtnStart->click(); });
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    connect(Options1, &QAction::triggered, this, [this] {
        if (OnShowOptions) OnShowOptions();
    });
    connect(Documentation1, &QAction::triggered, this, [] { QDesktopServices::openUrl(DocumentationUrl()); });
    connect(About1, &QAction::triggered, this, [this] {
        if (AboutBox) AboutBox->exec();
    });
}

QPushButton* TMainForm::StepButton(const QString& Caption, const QString& Hint) {
    auto* Button = new QPushButton(Caption, this);
    Button->setToolTip(Hint);
    Button->setStatusTip(Hint);
    Button->setMinimumHeight(30);
    return Button;
}

QGroupBox* TMainForm::StepGroup(const QString& Caption, QPushButton* Button) {
    auto* Group = new QGroupBox(Caption, this);
    auto* Layout = new QVBoxLayout(Group);
    Layout->setContentsMargins(8, 4, 8, 8);
    Layout->addWidget(Button);
    return Group;
}

QWidget* TMainForm::CreateSteps() {
    BtnSelectFiles = StepButton(tr("Select audio files."), tr("Select the audio files you wish to convert."));
    BtnSelectOutput = StepButton(tr("Select output directory."), tr("Select the destination directory."));
    BtnSelOutputFormat =
        StepButton(tr("Choose format."), tr("Choose the output format for you audio files."));
    BtnStart = StepButton(tr("Start conversion."), tr("Start the audio conversion."));
    BtnExit = StepButton(tr("Exit application."), tr("Quit Deraz Audio Converter."));
    BtnSelectFiles->setObjectName("BtnSelectFiles");
    BtnSelectOutput->setObjectName("BtnSelectOutput");
    BtnSelOutputFormat->setObjectName("BtnSelOutputFormat");
    BtnStart->setObjectName("BtnStart");
    BtnExit->setObjectName("BtnExit");
    connect(BtnSelectFiles, &QPushButton::clicked, this, &TMainForm::BtnSelectFilesClick);
    connect(BtnSelectOutput, &QPushButton::clicked, this, &TMainForm::BtnSelectOutputClick);
    connect(BtnSelOutputFormat, &QPushButton::clicked, this, &TMainForm::BtnSelOutputFormatClick);
    connect(BtnStart, &QPushButton::clicked, this, &TMainForm::BtnStartClick);
    connect(BtnExit, &QPushButton::clicked, this, &QWidget::close);

    auto* Steps = new QWidget(this);
    auto* Layout = new QHBoxLayout(Steps);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(StepGroup(tr("Step 1..."), BtnSelectFiles), 1);
    Layout->addWidget(StepGroup(tr("Step 2 (if needed)..."), BtnSelectOutput), 1);
    Layout->addWidget(StepGroup(tr("Step 3..."), BtnSelOutputFormat), 1);
    Layout->addWidget(StepGroup(tr("Step 4..."), BtnStart), 1);
    auto* ExitColumn = new QVBoxLayout;
    ExitColumn->addStretch();
    ExitColumn->addWidget(BtnExit);
    ExitColumn->setContentsMargins(0, 0, 0, 8);
    Layout->addLayout(ExitColumn);
    return Steps;
}

std::vector<TMediaEntry> TMainForm::Entries() {
    // Files still being added belong to the batch the user asked for.
    while (!FPending.empty()) AddPendingEntries();
    ReadPreferences();
    ShowOutputNames();
    FLibrary.reset();
    FLibraryReport = {};
    if (FBin.OutputDirectory().empty()) return FStarted = FBin.Batch();
    TSettings Settings(FSettingsFileName);
    TLibraryOptions Options;
    Options.Mirror = Settings.NamingPreferences().RemoveGone;
    Options.UpdateOnly = Settings.LibraryPreferences().UpdateOnly;
    Options.CopyTags = Settings.CopyTags();
    FLibrary = std::make_unique<TLibraryRun>(FBin, Options);
    FLibrary->Plan();
    const size_t Gone = FLibrary->Removals().size();
    if (Gone > 0 && !AskWarning(this, tr("%1 output file(s) in %2 have lost their source. Remove them?")
                                          .arg(Gone)
                                          .arg(Q(FBin.OutputDirectory()))))
        FLibrary->KeepRemovals();
    FLibraryReport = FLibrary->ApplyWithoutConverting();
    return FStarted = FLibrary->Entries(true); // the batch says which are up to date
}

void TMainForm::BatchEnded(TBatchSummary& Summary) {
    if (!FLibrary) return;
    std::vector<bool> Failed(FStarted.size());
    for (const auto& Problem : Summary.Problems)
        if (Problem.Index >= 0 && size_t(Problem.Index) < Failed.size()) Failed[size_t(Problem.Index)] = true;
    for (size_t I = 0; I < FStarted.size(); ++I)
        if (!Failed[I]) FLibrary->Converted(FStarted[I].OutputName);
    try {
        FLibrary->SaveManifest();
    } catch (const std::exception& E) {
        Summary.Problems.push_back({int32_t(FStarted.size()), FBin.OutputDirectory(), eoFailed, E.what()});
    }
    Summary.Retagged += FLibraryReport.Retagged;
    Summary.Removed += int32_t(FLibraryReport.Removed.size());
    for (auto Problem : FLibraryReport.Problems) {
        Problem.Index = int32_t(FStarted.size());
        Summary.Problems.push_back(Problem);
    }
    FLibrary.reset();
}

void TMainForm::PreferencesChanged() {
    ReadPreferences();
    ShowOutputNames();
}

std::optional<TInputFile> TMainForm::SelectedInput() const {
    QList<QTreeWidgetItem*> Selected = MediaBox->selectedItems();
    if (Selected.size() != 1) return std::nullopt;
    int Row = MediaBox->indexOfTopLevelItem(Selected.first());
    if (Row < 0 || Row >= FBin.Count()) return std::nullopt;
    return FBin.Items()[size_t(Row)].Input;
}

int TMainForm::EntryCount() const {
    return FBin.Count();
}

void TMainForm::SetOutputExtensions(const std::string& Extension) {
    FBin.SetOutputExtension(Extension);
    ShowOutputNames();
}

void TMainForm::ReadPreferences() {
    TSettings Settings(FSettingsFileName);
    TLibraryPreferences Preferences = Settings.LibraryPreferences();
    FBin.SetKeepFolders(Preferences.KeepFolders);
    FBin.SetCoverRule(Preferences.CopyCovers ? crFolderEntries : crNever);
    // Named by tags: each entry's tags are read once more only when the pattern changes.
    TNamingPreferences Naming = Settings.NamingPreferences();
    std::string Pattern = Naming.NameByTags ? Naming.NamePattern : std::string();
    if (Pattern == FNamePattern) return;
    FNamePattern = Pattern;
    try {
        FBin.SetOutputNamer(Pattern.empty() ? TMediaBin::TOutputNamer()
                                            : PatternNamer(TNamePattern(Pattern)));
    } catch (const std::invalid_argument&) {
        FBin.SetOutputNamer({}); // a stored pattern that cannot name: the plain names
    }
}

void TMainForm::ShowOutputNames() {
    const auto& Items = FBin.Items();
    for (int I = 0; I < MediaBox->topLevelItemCount() && I < int(Items.size()); ++I) {
        QTreeWidgetItem* Item = MediaBox->topLevelItem(I);
        QString Output = Q(Items[size_t(I)].OutputName);
        if (Item->text(1) != Output) Item->setText(1, Output);
    }
}

void TMainForm::AddFiles(const QStringList& Names) {
    std::vector<TInputFile> Inputs;
    for (const QString& Name : Names)
        Inputs.push_back({Name.toStdString(), "", ExtractFileName(Name.toStdString())});
    AddInputs(Inputs);
}

void TMainForm::AddInputs(const std::vector<TInputFile>& Inputs) {
    FPending.insert(FPending.end(), Inputs.begin(), Inputs.end());
    if (!FPending.empty()) FAddTimer.start();
}

void TMainForm::AddPendingEntries() {
    // The stored format is read once per round: it cannot change while entries are being added.
    int32_t DestExt = TSettings(FSettingsFileName).DestExt();
    QElapsedTimer Slice;
    Slice.start();
    std::vector<TInputFile> Inputs;
    QList<QTreeWidgetItem*> Items;
    while (!FPending.empty() && Slice.elapsed() < AddSliceMs) {
        Inputs.push_back(std::move(FPending.front()));
        FPending.pop_front();
        TMediaBinRow Row = MakeMediaBinRow(FAnalysers, Inputs.back().Path, DestExt);
        Items << new TSortableRow(
            QStringList{Q(Row.InputName), {}, Q(Row.Size), Q(Row.Type), Q(Row.Bitrate)});
    }
    FBin.SetOutputExtension(OutputExtension(DestExt));
    ReadPreferences();
    FBin.Add(Inputs);
    // Adding without a current item, so that no entry opens the media info window by itself.
    QSignalBlocker Quiet(MediaBox);
    MediaBox->addTopLevelItems(Items);
    ShowOutputNames();
    if (FPending.empty()) FAddTimer.stop();
    UpdateTotal();
}

void TMainForm::AddDroppedNames(const QStringList& Names) {
    std::vector<TInputFile> Accepted;
    for (const QString& Name : Names) {
        if (QFileInfo(Name).isDir()) {
            // A folder without convertible files comes back as itself, and adds nothing.
            for (TInputFile& File : FBin.Expand({Name.toStdString()}))
                if (!File.Folder.empty()) Accepted.push_back(std::move(File));
        } else if (IsSupportedInput(Name.toStdString())) {
            Accepted.push_back({Name.toStdString(), "", ExtractFileName(Name.toStdString())});
        } else {
            ShowError(
                this,
                tr("%1 is not a supported filetype or invalid!").arg(Q(FileExtension(Name.toStdString()))));
        }
    }
    AddInputs(Accepted);
}

void TMainForm::ExDragDrop1Dropped(TExDragDrop* Sender, int) {
    AddDroppedNames(Sender->Items());
}

bool TMainForm::RunFileDialog(QFileDialog& Dialog) {
    const bool Accepted = Dialog.exec() == QDialog::Accepted;
    // Hiding a popup takes it off the application's popup stack, so this ends.
    while (QWidget* Popup = QApplication::activePopupWidget()) Popup->hide();
    activateWindow();
    return Accepted;
}

void TMainForm::BtnSelectFilesClick() {
    if (RunFileDialog(*OpenDlg)) AddFiles(OpenDlg->selectedFiles());
}

void TMainForm::SelectAudioFolderClick() {
    QFileDialog Dialog(this, tr("Please select audio folder..."));
    Dialog.setFileMode(QFileDialog::Directory);
    Dialog.setOption(QFileDialog::ShowDirsOnly);
    if (RunFileDialog(Dialog) && !Dialog.selectedFiles().isEmpty())
        AddDroppedNames({Dialog.selectedFiles().first()});
}

void TMainForm::BtnSelectOutputClick() {
    QFileDialog Dialog(this, tr("Please select output directory..."), Q(FBin.OutputDirectory()));
    Dialog.setFileMode(QFileDialog::Directory);
    Dialog.setOption(QFileDialog::ShowDirsOnly);
    if (RunFileDialog(Dialog) && !Dialog.selectedFiles().isEmpty())
        SetOutputDirectory(Dialog.selectedFiles().first());
}

void TMainForm::SetOutputDirectory(const QString& Directory) {
    ReadPreferences();
    FBin.SetOutputDirectory(Directory.toStdString());
    ShowOutputNames();
}

void TMainForm::BtnSelOutputFormatClick() {
    if (ConfigOutputDlg) ConfigOutputDlg->exec();
}

void TMainForm::BtnStartClick() {
    if (OnStartConversion) OnStartConversion();
}

void TMainForm::Clearall1Click() {
    int Count = EntryCount();
    if (Count == 0) {
        ShowError(this, tr("The media bin is empty!"));
        return;
    }
    if (!AskWarning(this, tr("Are you sure to delete: %1 file(s) from media bin?").arg(Count))) return;
    FPending.clear();
    FBin.Clear();
    MediaBox->clear();
    UpdateTotal();
}

void TMainForm::RemoveSelectedClick() {
    QSignalBlocker Quiet(MediaBox);
    std::vector<int32_t> Indexes;
    for (QTreeWidgetItem* Item : MediaBox->selectedItems())
        Indexes.push_back(MediaBox->indexOfTopLevelItem(Item));
    FBin.Remove(Indexes);
    qDeleteAll(MediaBox->selectedItems());
    MediaBox->setCurrentItem(nullptr);
    ShowOutputNames();
    UpdateTotal();
}

void TMainForm::SortMediaBox(int Column, Qt::SortOrder Order) {
    if (Column < 0) return;
    QSignalBlocker Quiet(MediaBox);
    // Each row remembers its place, so that the media bin takes the order the list shows.
    for (int Row = 0; Row < MediaBox->topLevelItemCount(); ++Row)
        MediaBox->topLevelItem(Row)->setData(0, Qt::UserRole, Row);
    MediaBox->sortItems(Column, Order);
    std::vector<int32_t> Moved;
    for (int Row = 0; Row < MediaBox->topLevelItemCount(); ++Row)
        Moved.push_back(MediaBox->topLevelItem(Row)->data(0, Qt::UserRole).toInt());
    FBin.Reorder(Moved);
    ShowOutputNames();
}

void TMainForm::OpenPendingInfo() {
    if (!FInfoPending) return;
    FInfoPending = false;
    QList<QTreeWidgetItem*> Selected = MediaBox->selectedItems();
    // After the event that selected it, so the list finishes its own handling first.
    if (!Selected.isEmpty())
        QTimer::singleShot(0, this,
                           [this, Item = QPointer<QTreeWidget>(MediaBox),
                            Row = MediaBox->indexOfTopLevelItem(Selected.first())] {
                               if (Item && Row >= 0 && Row < Item->topLevelItemCount())
                                   MediaBoxSelectItem(Item->topLevelItem(Row));
                           });
}

void TMainForm::MediaBoxSelectItem(QTreeWidgetItem* Item) {
    if (!InfoTagDlg) return;
    std::string FileName = Item->text(0).toStdString();
    InfoTagDlg->setWindowTitle(tr("Media info for: %1").arg(Q(ExtractFileName(FileName))));
    InfoTagDlg->edFilename->setText(Q(FileName));
    InfoTagDlg->exec();
}

void TMainForm::UpdateTotal() {
    TotalPanel->setText(tr("Total files to be converted: %1").arg(EntryCount()));
}

bool TMainForm::AskToLeave() {
    if (IsConverting && IsConverting())
        return AskWarning(this, tr("A conversion is running. Do you want to stop it and exit Deraz Audio "
                                   "Converter? The files being converted are not kept."));
    return AskInformation(this, tr("Do you want to quit?"),
                          tr("Do you really want to exit Deraz Audio Converter?"));
}

void TMainForm::closeEvent(QCloseEvent* Event) {
    if (!AskToLeave()) {
        Event->ignore();
        return;
    }
    if (OnStopConversion) OnStopConversion();
    FAddTimer.stop();
    try {
        SavePlacement(FSettingsFileName, this, MediaBox);
    } catch (const std::exception&) {
        // A settings file that cannot be written costs the window its place, not the program's end.
    }
    Event->accept();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* Event) {
    if (Event->mimeData()->hasUrls()) Event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* Event) {
    Event->acceptProposedAction();
    ExDragDrop1->Drop(Event->mimeData()->urls());
}

} // namespace deraz
