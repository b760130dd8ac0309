#include "desktop/uConvDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include "controls/TCoolTrayIcon.h"
#include "controls/TGauge.h"
#include "desktop/MessageBoxes.h"
#include "desktop/Sound.h"
#include "desktop/uMinimodeDlg.h"
#include "desktop/uWindowStyle.h"
#include "driver/ParallelBatch.h"
#include "driver/Settings.h"

namespace deraz {

namespace {

QLabel* BoldLabel(QWidget* Parent, const QString& Caption, QRect Where) {
    auto* Label = new QLabel(Caption, Parent);
    QFont Bold = Label->font();
    Bold.setBold(true);
    Label->setFont(Bold);
    Label->setGeometry(Where);
    return Label;
}

TGauge* BlueGauge(QWidget* Parent, QRect Where) {
    auto* Gauge = new TGauge(Parent);
    Gauge->setGeometry(Where);
    Gauge->SetShowText(false);
    Gauge->SetForeColor(QColor(0, 0, 255));
    return Gauge;
}

// The batch's caption ("Converting: 2 out of 5", then " Done!") in the user's language.
QString CaptionText(const QString& Caption) {
    static const QRegularExpression Pattern("^Converting: (\\d+) out of (\\d+)( Done!)?$");
    const QRegularExpressionMatch Match = Pattern.match(Caption);
    if (!Match.hasMatch()) return Caption;
    const QString Counted =
        TConvDlg::tr("Converting: %1 out of %2").arg(Match.captured(1), Match.captured(2));
    return Match.captured(3).isEmpty() ? Counted : TConvDlg::tr("%1 Done!").arg(Counted);
}

QString PercentText(const TGauge* Gauge) {
    return QString::number(Gauge->Percent()) + "%";
}

} // namespace

TConvDlg::TConvDlg(QWidget* MainWindow, const std::string& SettingsFile, QWidget* Parent)
    : QDialog(Parent), FMainWindow(MainWindow), FSettingsFile(SettingsFile) {
    setWindowTitle(tr("Converting:"));
    setFixedSize(573, 255);
    setModal(true);
    SetFormColor(this);
    auto* Quit = new QAction(this);
    Quit->setShortcut(QKeySequence("Ctrl+Q"));
    addAction(Quit);
    connect(Quit, &QAction::triggered, this, [this] {
        if (OnLeave) OnLeave();
    });

    Label1 = BoldLabel(this, tr("From:"), {12, 12, 60, 18});
    LblInput = new QLabel(this);
    LblInput->setGeometry(72, 12, 490, 18);
    Label2 = BoldLabel(this, tr("To:"), {12, 36, 60, 18});
    LblOutput = new QLabel(this);
    LblOutput->setGeometry(72, 36, 490, 18);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 62, 557, 4);
    Label3 = BoldLabel(this, tr("Current progress:"), {12, 74, 200, 18});
    CurrentProg = BlueGauge(this, {12, 94, 500, 20});
    LblCurretProg = new QLabel("0%", this);
    LblCurretProg->setGeometry(520, 94, 45, 20);
    Label4 = BoldLabel(this, tr("Overall progress:"), {12, 126, 200, 18});
    OverallProg = BlueGauge(this, {12, 146, 500, 20});
    LblOverallProg = new QLabel("0%", this);
    LblOverallProg->setGeometry(520, 146, 45, 20);
    LblTimeLeft = new QLabel(this);
    LblTimeLeft->setGeometry(12, 176, 400, 18);
    BtnSendTo = new QPushButton(tr("Send to mini mode."), this);
    BtnSendTo->setGeometry(283, 214, 140, 28);
    BtnAbort = new QPushButton(tr("Abort conversion."), this);
    BtnAbort->setGeometry(429, 214, 132, 28);
    connect(BtnSendTo, &QPushButton::clicked, this, &TConvDlg::BtnSendToClick);
    connect(BtnAbort, &QPushButton::clicked, this, &TConvDlg::BtnAbortClick);

    FBatch = std::make_unique<TParallelBatch>(TStoredOutputChoice(FSettingsFile));
    ConnectBatch();
}

TConvDlg::~TConvDlg() = default;

void TConvDlg::ConnectBatch() {
    // Reports come from the workers; one queued call at a time brings them to this thread.
    FBatch->OnEventPosted = [this] {
        if (!FWakePending.exchange(true))
            QMetaObject::invokeMethod(this, &TConvDlg::WakeUp, Qt::QueuedConnection);
    };
    FBatch->OnEntryStarted = [this](TParallelBatch*, int32_t Index, const TMediaEntry& Entry) {
        EntryStarted(Index, Entry);
    };
    FBatch->OnEntryProgress = [this](TParallelBatch*, int32_t, int32_t Index, int32_t Percent) {
        EntryProgress(Index, Percent);
    };
    FBatch->OnEntryFinished = [this](TParallelBatch*, const TEntryResult& Result) { EntryFinished(Result); };
    FBatch->OnCaption = [this](TParallelBatch*, const std::string& Caption) {
        setWindowTitle(CaptionText(QString::fromStdString(Caption)));
    };
    FBatch->OnBatchEnd = [this](TParallelBatch*, const TBatchSummary& Summary) { BatchEnded(Summary); };
}

void TConvDlg::WakeUp() {
    FWakePending = false;
    FBatch->ProcessEvents();
}

bool TConvDlg::BatchRunning() const {
    return FBatch->Running();
}

void TConvDlg::StopBatch() {
    FQuiet = true;
    FBatch->Abort();
    FBatch->RunToEnd();
    FQuiet = false;
}

void TConvDlg::StartBatch(std::vector<TMediaEntry> Entries, bool AutoMinimode) {
    if (Entries.empty()) {
        ShowError(FMainWindow, tr("No files added to media bin!"));
        return;
    }
    if (FBatch->Running()) return;
    const int32_t Count = int32_t(Entries.size());
    OverallProg->SetProgress(0);
    OverallProg->SetMaxValue(Count);
    CurrentProg->SetProgress(0);
    if (FMinimode) {
        FMinimode->Prog->SetProgress(0);
        FMinimode->Prog->SetMaxValue(Count);
        FMinimode->ShowPercent(-1);
    }
    FRunning.clear();
    BtnAbort->setText(tr("Abort conversion."));
    BtnSendTo->setEnabled(true);
    // The keyboard starts on the first button; Tab reaches Abort, Return or Space presses.
    BtnSendTo->setFocus();
    LblCurretProg->setText("0%");
    LblOverallProg->setText("0%");
    LblTimeLeft->clear();
    FTimeLeft = TTimeLeft::ForEntries(Entries);
    FElapsed.start();
    TSettings Settings(FSettingsFile);
    FBatch->SetJobs(Settings.ParallelConversions());
    FBatch->SetUpdateOnly(Settings.LibraryPreferences().UpdateOnly);
    FAlbums.reset();
    if (Settings.ReplayGain() == gmAlbum) FAlbums.emplace(Entries);
    try {
        FBatch->Start(std::move(Entries));
    } catch (const std::exception& E) {
        ShowError(FMainWindow, QString::fromStdString(E.what()));
        return;
    }
    // A batch whose every entry was refused has ended already: the dialog shows its end.
    if (AutoMinimode && FMinimode && FBatch->Running())
        FMinimode->Enter(this);
    else
        show();
}

void TConvDlg::EntryStarted(int32_t Index, const TMediaEntry& Entry) {
    FRunning.push_back(
        {Index, QString::fromStdString(Entry.InputName), QString::fromStdString(Entry.OutputName), 0});
    ShowSlowestEntry();
    SetMiniStatus(tr("%1 out of %2").arg(Index + 1).arg(FBatch->Count()));
}

void TConvDlg::ShowSlowestEntry() {
    auto Slowest = std::min_element(
        FRunning.begin(), FRunning.end(),
        [](const TRunningEntry& A, const TRunningEntry& B) { return A.Percent < B.Percent; });
    if (Slowest == FRunning.end()) return;
    if (LblInput->text() != Slowest->Input) LblInput->setText(Slowest->Input);
    if (LblOutput->text() != Slowest->Output) LblOutput->setText(Slowest->Output);
    CurrentProg->SetProgress(Slowest->Percent);
    LblCurretProg->setText(PercentText(CurrentProg));
}

void TConvDlg::EntryProgress(int32_t Index, int32_t Percent) {
    for (TRunningEntry& Running : FRunning)
        if (Running.Index == Index) Running.Percent = Percent;
    ShowSlowestEntry();
    FTimeLeft.Progress(Index, Percent);
    ShowTimeLeft();
}

void TConvDlg::EntryFinished(const TEntryResult& Result) {
    std::erase_if(FRunning, [&](const TRunningEntry& Running) { return Running.Index == Result.Index; });
    ShowSlowestEntry();
    if (FAlbums) FAlbums->EntryFinished(Result);
    FTimeLeft.Finished(Result.Index);
    OverallProg->SetProgress(FBatch->Finished());
    LblOverallProg->setText(PercentText(OverallProg));
    if (FMinimode) {
        FMinimode->Prog->SetProgress(FBatch->Finished());
        FMinimode->ShowPercent(OverallProg->Percent());
    }
    ShowTimeLeft();
}

void TConvDlg::ShowTimeLeft() {
    if (auto Left = FTimeLeft.SecondsLeft(std::chrono::milliseconds(FElapsed.elapsed())))
        LblTimeLeft->setText(tr("Time left: about %1").arg(QString::fromStdString(MinutesAndSeconds(*Left))));
}

void TConvDlg::SetMiniStatus(const QString& Text) {
    if (FMinimode) FMinimode->LblStatus->setText(Text);
}

void TConvDlg::BatchEnded(const TBatchSummary& Summary) {
    LblInput->clear();
    LblOutput->clear();
    LblTimeLeft->clear();
    SetMiniStatus({});
    FRunning.clear();
    if (FMinimode) {
        FMinimode->Prog->SetProgress(0);
        FMinimode->ShowPercent(-1);
    }
    BtnAbort->setText(tr("Finish"));
    // Return finishes: the keyboard moves to the one button left.
    BtnAbort->setFocus();
    BtnSendTo->setEnabled(false);
    // Back to normal mode once nothing runs any more, then the announcement, outside the
    // batch's own event.
    bool WasMinimode = FMinimode && FMinimode->Active();
    if (WasMinimode) FMinimode->ReturnToNormalMode();
    TBatchSummary Shown = Summary;
    if (OnSummary) OnSummary(Shown);
    if (FQuiet) return;
    if (FAlbums) FAlbums->AddNotesTo(Shown);
    QTimer::singleShot(0, this, [this, Shown, WasMinimode] { Announce(Shown, WasMinimode); });
}

void TConvDlg::Announce(const TBatchSummary& Summary, bool WasMinimode) {
    TPreferences Preferences = TSettings(FSettingsFile).Preferences();
    bool AnyFailed = std::any_of(Summary.Problems.begin(), Summary.Problems.end(),
                                 [](const TEntryResult& R) { return R.Outcome == eoFailed; });
    bool AnyStopped =
        std::any_of(Summary.Problems.begin(), Summary.Problems.end(), [](const TEntryResult& R) {
            return R.Outcome == eoStopped || R.Outcome == eoNotStarted;
        });
    if (WasMinimode && Preferences.Notify && FMinimode)
        FMinimode->TrayIcon->ShowBalloonHint(
            ApplicationTitle,
            tr("%1 converted, %2 not converted.").arg(Summary.Converted).arg(Summary.Problems.size()));
    // The first line and the counts in the box, a line a file in its details.
    QStringList Lines = QString::fromStdString(CompletionMessage(Summary)).split('\n');
    Lines[0] = tr("Convertion completed!");
    const QString Text = Lines.mid(0, 2).join('\n');
    const QString Details = Lines.mid(2).join('\n');
    if (Preferences.UseSound) {
        // The sound takes the place of the message's beep.
        const std::string& Sound =
            AnyFailed && !Preferences.Error.empty() ? Preferences.Error : Preferences.Done;
        PlaySoundFile(QString::fromStdString(Sound));
    }
    ShowCompletion(this, Text, Details, AnyFailed || AnyStopped, !Preferences.UseSound);
    emit BatchAnnounced();
}

void TConvDlg::BtnSendToClick() {
    if (FMinimode && FBatch->Running()) FMinimode->Enter(this);
}

void TConvDlg::closeEvent(QCloseEvent* Event) {
    Event->ignore();
    if (FBatch->Running()) {
        if (OnLeave) OnLeave();
    } else {
        BtnAbortClick();
    }
}

void TConvDlg::BtnAbortClick() {
    FBatch->Abort();
    hide();
}

} // namespace deraz
