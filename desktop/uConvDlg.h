// The progress dialog around a batch: the current and overall gauges, the file being converted,
// Abort, and the hand-over to mini mode. The driver starts, queues and finishes the conversions;
// this dialog only shows what it reports, on the user-interface thread.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/AlbumGain.h"
#include "driver/EntryQueue.h"
#include "driver/TimeLeft.h"

class QLabel;
class QFrame;
class QPushButton;

namespace deraz {

class TGauge;
class TMinimodeDlg;
class TParallelBatch;
struct TBatchSummary;
struct TEntryResult;

class TConvDlg : public QDialog {
    Q_OBJECT
public:
    // MainWindow is hidden in mini mode; SettingsFile holds the output format and preferences.
    TConvDlg(QWidget* MainWindow, const std::string& SettingsFile, QWidget* Parent = nullptr);
    ~TConvDlg() override;

    // The mini window, made after this dialog.
    void SetMinimode(TMinimodeDlg* Minimode) { FMinimode = Minimode; }

    // Starts converting Entries: shows this dialog, or mini mode when AutoMinimode is set. An
    // empty list gives "No files added to media bin!".
    void StartBatch(std::vector<TMediaEntry> Entries, bool AutoMinimode);
    bool BatchRunning() const;
    // Stops a running batch without announcing its end and waits until it has ended; for the
    // program's end.
    void StopBatch();
    // Called when a batch ends, before its summary is shown; may add to it.
    std::function<void(TBatchSummary&)> OnSummary;
    // Hides this dialog and the main window and goes on in mini mode.
    void BtnSendToClick();
    // During a batch: stops every conversion, without output, and closes. After it: closes.
    void BtnAbortClick();

    QLabel* Label1;
    QLabel* LblInput;
    QLabel* Label2;
    QLabel* LblOutput;
    QFrame* Bevel1;
    QLabel* Label3;
    QLabel* Label4;
    TGauge* CurrentProg;
    TGauge* OverallProg;
    QLabel* LblCurretProg;
    QLabel* LblOverallProg;
    QLabel* LblTimeLeft;
    QPushButton* BtnAbort;
    QPushButton* BtnSendTo;

    // Escape does not close it. Closing it (the title bar, Alt+F4) or Ctrl+Q during a batch
    // raises OnLeave, which asks whether to stop the batch and quit; after the batch it closes.
    void reject() override {}
    std::function<void()> OnLeave;

signals:
    // The end of a batch has been announced (sound, notification and message shown).
    void BatchAnnounced();

protected:
    void closeEvent(QCloseEvent* Event) override;

private:
    // A conversion that has started and not yet finished, as the dialog shows it.
    struct TRunningEntry {
        int32_t Index = 0;
        QString Input, Output;
        int32_t Percent = 0;
    };

    void ConnectBatch();
    // Shows the running conversion furthest from its end: never one that has finished.
    void ShowSlowestEntry();
    void WakeUp();
    void EntryStarted(int32_t Index, const TMediaEntry& Entry);
    void EntryProgress(int32_t Index, int32_t Percent);
    void EntryFinished(const TEntryResult& Result);
    void BatchEnded(const TBatchSummary& Summary);
    void Announce(const TBatchSummary& Summary, bool WasMinimode);
    void ShowTimeLeft();
    void SetMiniStatus(const QString& Text);

    QWidget* FMainWindow;
    TMinimodeDlg* FMinimode = nullptr;
    std::string FSettingsFile;
    std::unique_ptr<TParallelBatch> FBatch;
    std::optional<TAlbumGain> FAlbums; // album ReplayGain of the running batch, when asked for
    std::atomic<bool> FWakePending{false};
    QElapsedTimer FElapsed;
    TTimeLeft FTimeLeft;
    bool FQuiet = false; // the batch ends unannounced
    std::vector<TRunningEntry> FRunning;
};

} // namespace deraz
