#include "desktop/uMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
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
#include "desktop/MessageBoxes.h"
#include "desktop/ProfilesMenu.h"
#include "desktop/uAboutDlg.h"
#include "desktop/uConfigOutputDlg.h"
#include "desktop/uInfoTagDlg.h"
#include "driver/FileNames.h"
#include "driver/MediaBinEntry.h"
#include "driver/OutputFormats.h"
#include "driver/Settings.h"

namespace deraz {

namespace {

constexpr int ClientWidth = 813;
constexpr int ClientHeight = 404;
// How long one round of adding entries may keep the window from its other events.
constexpr int AddSliceMs = 40;
const QColor FormColour(0xE6, 0xE5, 0xDB);
const char* const AuthorUrl = "mailto:author@deraz.invalid?subject=Deraz Audio Converter 1.0";

constexpr int SizeColumn = 2;

struct TColumn {
    const char* Caption;
    int Width;
};
constexpr TColumn Columns[] = {{"Input filename.", 313},
                               {"Output filename.", 313},
                               {"File size.", 60},
                               {"File type.", 60},
                               {"Bitrate", 50}};

QString Q(const std::string& Text) {
    return QString::fromStdString(Text);
}

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

    OpenDlg = new QFileDialog(this, "Please Select Media Files For Convert...");
    OpenDlg->setObjectName("OpenDlg");
    OpenDlg->setFileMode(QFileDialog::ExistingFiles);
    OpenDlg->setOption(QFileDialog::DontUseNativeDialog);
    OpenDlg->resize(760, 460);
    QStringList Filters;
    for (const std::string& Filter : OpenDialogFilters()) Filters << QString::fromStdString(Filter);
    OpenDlg->setNameFilters(Filters);

    ExDragDrop1->SetControl(MediaBox);
    ExDragDrop1->OnDropped = [this](TExDragDrop* Sender, int Count) { ExDragDrop1Dropped(Sender, Count); };
    FAddTimer.setInterval(0);
    connect(&FAddTimer, &QTimer::timeout, this, &TMainForm::AddPendingEntries);

    FAutoMinimode = TSettings(FSettingsFileName).AutoMinimode();

    // The window keeps the designed client area unless its captions need more room.
    QSize Designed(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    setFixedSize(sizeHint().expandedTo(Designed));
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateMediaBox() {
    MediaBox = new QTreeWidget(this);
    MediaBox->setObjectName("MediaBox");
    MediaBox->setRootIsDecorated(false);
    MediaBox->setUniformRowHeights(true);
    MediaBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MediaBox->setSelectionMode(QAbstractItemView::SingleSelection);
    MediaBox->setAllColumnsShowFocus(true);
    // Grid lines between the cells, and a selection that stays readable when the window is inactive.
    MediaBox->setStyleSheet(
        "QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }"
        "QTreeView::item:selected:active { background: #3875d7; color: white; }"
        "QTreeView::item:selected:!active { background: #c9d6ea; color: black; }");
    QString Hint = "This is the media bin, here's all the files you want to convert.";
    MediaBox->setToolTip(Hint);
    MediaBox->setStatusTip(Hint);
    QStringList Captions;
    for (const TColumn& Column : Columns) Captions << Column.Caption;
    MediaBox->setHeaderLabels(Captions);
    // The designed widths, or wider where a caption needs it; the list is wide enough for all.
    QFontMetrics Metrics(MediaBox->header()->font());
    int Total = 2 * MediaBox->frameWidth() + MediaBox->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int I = 0; I < int(std::size(Columns)); ++I) {
        int Width = std::max(Columns[I].Width, Metrics.horizontalAdvance(Columns[I].Caption) + 16);
        // A size text of a file of a few hundred megabytes is shown whole.
        if (I == SizeColumn) Width = std::max(Width, Metrics.horizontalAdvance("000000000 Bytes.") + 12);
        MediaBox->setColumnWidth(I, Width);
        Total += Width;
    }
    MediaBox->setMinimumWidth(Total);
    MediaBox->header()->setStretchLastSection(false);
    MediaBox->header()->setSectionsMovable(false);

    MediaBox->setContextMenuPolicy(Qt::ActionsContextMenu);
    Clearall1 = new QAction("Clear all.", MediaBox);
    RemoveSelected1 = new QAction("Remove selected.", MediaBox);
    MediaBox->addAction(Clearall1);
    MediaBox->addAction(RemoveSelected1);
    connect(Clearall1, &QAction::triggered, this, &TMainForm::Clearall1Click);
    connect(RemoveSelected1, &QAction::triggered, this, &TMainForm::RemoveSelectedClick);
    RemoveSelected1->setShortcut(QKeySequence::Delete);
    RemoveSelected1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    // An entry that becomes selected opens the media info window: at once for the keyboard, and
    // for the mouse once its button is released, so the list never sees a press without release.
    connect(MediaBox, &QTreeWidget::itemSelectionChanged, this, [this] {
        FInfoPending = !MediaBox->selectedItems().isEmpty();
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
    QMenu* File1 = menuBar()->addMenu("File");
    SelectMediaFiles1 = MenuAction(File1, "Select audio files.", QKeySequence("Ctrl+O"),
                                   "Select the audio files you wish to convert.", "files");
    SelectOutputDirectory1 = MenuAction(File1, "Select output directory.", QKeySequence("Ctrl+D"),
                                        "Select the destination directory.", "folder");
    Chooseformat1 = MenuAction(File1, "Choose format.", QKeySequence("Ctrl+F"),
                               "Choose the output format for you audio files.", "format");
    Startconversion1 = MenuAction(File1, "Start conversion.", QKeySequence("Ctrl+S"),
                                  "Start the audio conversion.", "start");
    File1->addSeparator();
    Exit1 = MenuAction(File1, "Exit.", QKeySequence("Ctrl+Q"), "Quit Deraz Audio Converter.", "exit");
    QMenu* Configure1 = menuBar()->addMenu("Configure");
    Options1 = MenuAction(Configure1, "Options", QKeySequence(Qt::Key_F5),
                          "Configure appearance of Deraz Audio Converter.", "options");
    Configure1->addMenu(new TProfilesMenu(this, Configure1));
    QMenu* Help1 = menuBar()->addMenu("Help");
    Sendcommentssuggestions1 = MenuAction(Help1, "Send comments, suggestions....", {},
                                          "Send comments, suggestions, etc. to the author.", "mail");
    About1 = MenuAction(Help1, "About", QKeySequence(Qt::Key_F7),
                        "See who is responsible for Deraz Audio Converter.", "about");

    connect(SelectMediaFiles1, &QAction::triggered, this, [this] { BtnSelectFiles->click(); });
    connect(SelectOutputDirectory1, &QAction::triggered, this, [this] { BtnSelectOutput->click(); });
    connect(Chooseformat1, &QAction::triggered, this, [this] { BtnSelOutputFormat->click(); });
    connect(Startconversion1, &QAction::triggered, this, [this] { BtnStart->click(); });
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    connect(Options1, &QAction::triggered, this, [this] {
        if (OnShowOptions) OnShowOptions();
    });
    connect(Sendcommentssuggestions1, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(AuthorUrl)); });
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
    BtnSelectFiles = StepButton("Select audio files.", "Select the audio files you wish to convert.");
    BtnSelectOutput = StepButton("Select output directory.", "Select the destination directory.");
    BtnSelOutputFormat = StepButton("Choose format.", "Choose the output format for you audio files.");
    BtnStart = StepButton("Start conversion.", "Start the audio conversion.");
    BtnExit = StepButton("Exit application.", "Quit Deraz Audio Converter.");
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
    Layout->addWidget(StepGroup("Step 1...", BtnSelectFiles), 1);
    Layout->addWidget(StepGroup("Step 2 (if needed)...", BtnSelectOutput), 1);
    Layout->addWidget(StepGroup("Step 3...", BtnSelOutputFormat), 1);
    Layout->addWidget(StepGroup("Step 4...", BtnStart), 1);
    auto* ExitColumn = new QVBoxLayout;
    ExitColumn->addStretch();
    ExitColumn->addWidget(BtnExit);
    ExitColumn->setContentsMargins(0, 0, 0, 8);
    Layout->addLayout(ExitColumn);
    return Steps;
}

std::vector<TMediaEntry> TMainForm::Entries() {
    ReadPreferences();
    ShowOutputNames();
    return FBin.Batch();
}

int TMainForm::EntryCount() const {
    return FBin.Count();
}

void TMainForm::SetOutputExtensions(const std::string& Extension) {
    FBin.SetOutputExtension(Extension);
    ShowOutputNames();
}

void TMainForm::ReadPreferences() {
    TLibraryPreferences Preferences = TSettings(FSettingsFileName).LibraryPreferences();
    FBin.SetKeepFolders(Preferences.KeepFolders);
    FBin.SetCoverRule(Preferences.CopyCovers ? crFolderEntries : crNever);
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
        Items << new QTreeWidgetItem(
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
            ShowError(this,
                      Q(FileExtension(Name.toStdString())) + " is not a supported filetype or invalid!");
        }
    }
    AddInputs(Accepted);
}

void TMainForm::ExDragDrop1Dropped(TExDragDrop* Sender, int) {
    AddDroppedNames(Sender->Items());
}

void TMainForm::BtnSelectFilesClick() {
    if (OpenDlg->exec() == QDialog::Accepted) AddFiles(OpenDlg->selectedFiles());
}

void TMainForm::BtnSelectOutputClick() {
    QString Directory =
        QFileDialog::getExistingDirectory(this, "Please select output directory...",
                                          Q(FBin.OutputDirectory()), QFileDialog::DontUseNativeDialog);
    if (!Directory.isEmpty()) SetOutputDirectory(Directory);
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
        ShowError(this, "The media bin is empty!");
        return;
    }
    if (!AskWarning(this, QString("Are you sure to delete: %1 file(s) from media bin?").arg(Count))) return;
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
    InfoTagDlg->setWindowTitle("Media info for: " + Q(ExtractFileName(FileName)));
    InfoTagDlg->edFilename->setText(Q(FileName));
    InfoTagDlg->exec();
}

void TMainForm::UpdateTotal() {
    TotalPanel->setText(QString("Total files to be converted: %1").arg(EntryCount()));
}

void TMainForm::closeEvent(QCloseEvent* Event) {
    if (!AskInformation(this, "Do you want to quit?", "Do you really want to exit Deraz Audio Converter?")) {
        Event->ignore();
        return;
    }
    if (OnStopConversion) OnStopConversion();
    FAddTimer.stop();
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
