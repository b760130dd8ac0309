// The main window: the media bin of files to convert and the four steps of the work.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/MediaInfo.h"
#include "driver/EntryQueue.h"
#include "driver/InputFiles.h"
#include "driver/LibraryRun.h"
#include "driver/MediaBin.h"

class QAction;
class QFileDialog;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace deraz {

class TExDragDrop;
class TConfigOutputDlg;
class TInfoTagDlg;
class TAboutDlg;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(std::string SettingsFileName);
    ~TMainForm() override;

    // The media bin: column 0 the input name, 1 the output name, then size, type and bit rate.
    QTreeWidget* MediaBox = nullptr;
    QPushButton* BtnSelectFiles = nullptr;
    QPushButton* BtnSelectOutput = nullptr;
    QPushButton* BtnSelOutputFormat = nullptr;
    QPushButton* BtnStart = nullptr;
    QPushButton* BtnExit = nullptr;
    QFileDialog* OpenDlg = nullptr;
    TExDragDrop* ExDragDrop1 = nullptr;
    QAction* SelectMediaFiles1 = nullptr;
    QAction* SelectAudioFolder1 = nullptr;
    QAction* SelectOutputDirectory1 = nullptr;
    QAction* Chooseformat1 = nullptr;
    QAction* Startconversion1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Options1 = nullptr;
    QAction* Documentation1 = nullptr;
    QAction* About1 = nullptr;
    QAction* Clearall1 = nullptr;
    QAction* RemoveSelected1 = nullptr;
    QLabel* TotalPanel = nullptr; // status panel 1

    // The windows the main window opens; set once at start-up.
    TConfigOutputDlg* ConfigOutputDlg = nullptr;
    TInfoTagDlg* InfoTagDlg = nullptr;
    TAboutDlg* AboutBox = nullptr;
    // Actions that belong to other windows: the preferences, starting a batch, and stopping a
    // running batch before the program ends.
    std::function<void()> OnShowOptions;
    std::function<void()> OnStartConversion;
    std::function<void()> OnStopConversion;
    // Whether a batch is converting; leaving then asks whether to stop it.
    std::function<bool()> IsConverting;

    // Read once when the window is created.
    bool AutoMinimode() const { return FAutoMinimode; }
    TMediaAnalysers& Analysers() { return FAnalysers; }
    const std::string& SettingsFileName() const { return FSettingsFileName; }

    // The entries as a batch takes them, in the media bin's order, by the current preferences.
    // With an output directory, its manifest decides: outputs whose tags alone changed are
    // retagged now, and those whose source has gone are removed after asking, when the
    // preferences say so.
    std::vector<TMediaEntry> Entries();
    // Records the batch's outputs in the output directory's manifest and adds what the retagging
    // and removing did to Summary.
    void BatchEnded(TBatchSummary& Summary);
    // Reads the stored preferences that name the outputs and shows the names they give.
    void PreferencesChanged();
    // The selected entry's input, when exactly one is selected.
    std::optional<TInputFile> SelectedInput() const;
    int EntryCount() const;
    // Gives every output name, of entries added now and later, this extension.
    void SetOutputExtensions(const std::string& Extension);

    // Queues entries for Names, made a few at a time so that the window stays responsive;
    // Adding() is true until all are in.
    void AddFiles(const QStringList& Names);
    bool Adding() const { return !FPending.empty(); }
    // Checks dropped names (folders give their supported files) and adds the supported ones.
    void AddDroppedNames(const QStringList& Names);

    void BtnSelectFilesClick();
    // Asks for a folder and adds it as a drop of it would.
    void SelectAudioFolderClick();
    void BtnSelectOutputClick();
    void BtnSelOutputFormatClick();
    void BtnStartClick();
    void Clearall1Click();
    void RemoveSelectedClick();
    void ExDragDrop1Dropped(TExDragDrop* Sender, int Count);
    void MediaBoxSelectItem(QTreeWidgetItem* Item);
    // Shows the entries sorted by Column; the batch converts them in that order.
    void SortMediaBox(int Column, Qt::SortOrder Order);
    // Puts every output, of entries added now and later, into Directory: an entry from an added
    // folder keeps its folders below it when the preferences say so.
    void SetOutputDirectory(const QString& Directory);

protected:
    void closeEvent(QCloseEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;

private:
    void CreateMenus();
    void CreateMediaBox();
    QWidget* CreateSteps();
    QGroupBox* StepGroup(const QString& Caption, QPushButton* Button);
    QPushButton* StepButton(const QString& Caption, const QString& Hint);
    QAction* MenuAction(QMenu* Menu, const QString& Caption, const QKeySequence& Shortcut,
                        const QString& Hint, const QString& Icon);
    bool AskToLeave();
    // Runs Dialog and closes what it leaves open (its name completion's popup), so that the
    // keyboard returns to this window at once.
    bool RunFileDialog(QFileDialog& Dialog);
    void AddPendingEntries();
    void OpenPendingInfo();
    void UpdateTotal();
    void AddInputs(const std::vector<TInputFile>& Inputs);
    // Hands the stored library preferences to the media bin.
    void ReadPreferences();
    void ShowOutputNames();

    std::string FSettingsFileName;
    bool FAutoMinimode = false;
    TMediaAnalysers FAnalysers;
    std::deque<TInputFile> FPending; // inputs waiting for their entry
    QTimer FAddTimer;
    TMediaBin FBin;
    std::string FNamePattern; // the pattern the media bin names by; empty: none
    std::unique_ptr<TLibraryRun> FLibrary;
    TLibraryReport FLibraryReport;
    std::vector<TMediaEntry> FStarted; // the running batch's entries
    bool FInfoPending = false;         // an entry was selected; its media info window is still to open
};

} // namespace deraz
