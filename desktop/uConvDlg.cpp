#include "desktop/uConvDlg.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
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

QString PercentText(const TGauge* Gauge) {
    return QString::number(Gauge->Percent()) + "%";
}

} // namespace

TConvDlg::TConvDlg(QWidget* MainWindow, const std::string& SettingsFile, QWidget* Parent)
    : QDialog(Parent), FMainWindow(MainWindow), FSettingsFile(SettingsFile) {
    setWindowTitle("Converting:");
    setFixedSize(573, 255);
    setModal(true);
    DisableCloseButton(this);
    SetFormColor(this);

    Label1 = BoldLabel(this, "From:", {12, 12, 60, 18});
    LblInput = new QLabel(this);
    LblInput->setGeometry(72, 12, 490, 18);
    Label2 = BoldLabel(this, "To:", {12, 36, 60, 18});
    LblOutput = new QLabel(this);
    LblOutput->setGeometry(72, 36, 490, 18);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 62, 557, 4);
    Label3 = BoldLabel(this, "Current progress:", {12, 74, 200, 18});
    CurrentProg = BlueGauge(this, {12, 94, 500, 20});
    LblCurretProg = new QLabel("0%", this);
    LblCurretProg->setGeometry(520, 94, 45, 20);
    Label4 = BoldLabel(this, "Overall progress:", {12, 126, 200, 18});
    OverallProg = BlueGauge(this, {12, 146, 500, 20});
    LblOverallProg = new QLabel("0%", this);
    LblOverallProg->setGeometry(520, 146, 45, 20);
    LblTimeLeft = new QLabel(this);
    LblTimeLeft->setGeometry(12, 176, 400, 18);
    BtnSendTo = new QPushButton("Send to mini mode.", this);
    BtnSendTo->setGeometry(283, 214, 140, 28);
    BtnAbort = new QPushButton("Abort conversion.", this);
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
    FBatch->OnProgress = [this](TParallelBatch*, int32_t Percent) { ShowCurrentPercent(Percent); };
    FBatch->OnEntryProgress = [this](TParallelBatch*, int32_t, int32_t Index, int32_t Percent) {
        EntryProgress(Index, Percent);
    };
    FBatch->OnEntryFinished = [this](TParallelBatch*, const TEntryResult& Result) { EntryFinished(Result); };
    FBatch->OnCaption = [this](TParallelBatch*, const std::string& Caption) {
        setWindowTitle(QString::fromStdString(Caption));
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
        ShowError(FMainWindow, "No files added to media bin!");
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
    }
    BtnAbort->setText("Abort conversion.");
    BtnSendTo->setEnabled(true);
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
    LblInput->setText(QString::fromStdString(Entry.InputName));
    LblOutput->setText(QString::fromStdString(Entry.OutputName));
    ShowCurrentPercent(0);
    SetMiniStatus(QString("%1 out of %2").arg(Index + 1).arg(FBatch->Count()));
}

void TConvDlg::ShowCurrentPercent(int32_t Percent) {
    CurrentProg->SetProgress(Percent);
    LblCurretProg->setText(PercentText(CurrentProg));
}

void TConvDlg::EntryProgress(int32_t Index, int32_t Percent) {
    FTimeLeft.Progress(Index, Percent);
    ShowTimeLeft();
}

void TConvDlg::EntryFinished(const TEntryResult& Result) {
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
        LblTimeLeft->setText("Time left: about " + QString::fromStdString(MinutesAndSeconds(*Left)));
}

void TConvDlg::SetMiniStatus(const QString& Text) {
    if (FMinimode) FMinimode->LblStatus->setText(Text);
}

void TConvDlg::BatchEnded(const TBatchSummary& Summary) {
    LblInput->clear();
    LblOutput->clear();
    LblTimeLeft->clear();
    SetMiniStatus({});
    if (FMinimode) FMinimode->Prog->SetProgress(0);
    BtnAbort->setText("Finish");
    BtnSendTo->setEnabled(false);
    // Back to normal mode once nothing runs any more, then the announcement, outside the
    // batch's own event.
    bool WasMinimode = FMinimode && FMinimode->Active();
    if (WasMinimode) FMinimode->ReturnToNormalMode();
    if (FQuiet) return;
    TBatchSummary Shown = Summary;
    if (FAlbums) FAlbums->AddNotesTo(Shown);
    QTimer::singleShot(0, this, [this, Shown, WasMinimode] { Announce(Shown, WasMinimode); });
}

void TConvDlg::Announce(const TBatchSummary& Summary, bool WasMinimode) {
    TPreferences Preferences = TSettings(FSettingsFile).Preferences();
    bool AnyFailed = std::any_of(Summary.Problems.begin(), Summary.Problems.end(),
                                 [](const TEntryResult& R) { return R.Outcome == eoFailed; });
    if (WasMinimode && Preferences.Notify && FMinimode)
        FMinimode->TrayIcon->ShowBalloonHint(
            ApplicationTitle,
            QString("%1 converted, %2 not converted.").arg(Summary.Converted).arg(Summary.Problems.size()));
    QString Message = QString::fromStdString(CompletionMessage(Summary));
    if (Preferences.UseSound) {
        // The sound takes the place of the message's beep.
        const std::string& Sound =
            AnyFailed && !Preferences.Error.empty() ? Preferences.Error : Preferences.Done;
        PlaySoundFile(QString::fromStdString(Sound));
        QMessageBox(QMessageBox::Information, ApplicationTitle, Message, QMessageBox::Ok, this).exec();
    } else {
        ShowInformation(this, Message);
    }
    emit BatchAnnounced();
}

void TConvDlg::BtnSendToClick() {
    if (FMinimode && FBatch->Running()) FMinimode->Enter(this);
}

void TConvDlg::BtnAbortClick() {
    FBatch->Abort();
    hide();
}

} // namespace deraz
