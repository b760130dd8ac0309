#include "app/PlainConversion.h"

#include "app/CodecSet.h"
#include "app/MessageBoxes.h"
#include "app/OutputFiles.h"
#include "app/Settings.h"
#include "app/uMain.h"

namespace deraz {

TPlainConversion::TPlainConversion(TMainForm* MainForm, TCodecSet& Codecs,
                                   const std::string& SettingsFileName)
    : QObject(MainForm), FMainForm(MainForm),
      FDriver(Codecs.Pipelines(), [SettingsFileName] { return TSettings(SettingsFileName).OutputChoice(); }) {
    // Reports arrive on the workers' threads; the driver handles them on the UI thread.
    FDriver.OnEventPosted = [this] {
        QMetaObject::invokeMethod(
            this, [this] { FDriver.ProcessEvents(); }, Qt::QueuedConnection);
    };
    FDriver.OnCaption = [this](TConvDriver*, const std::string& Caption) {
        FMainForm->setWindowTitle(QString::fromStdString(Caption));
    };
    FDriver.OnBatchEnd = [this](TConvDriver*, const TBatchSummary& Summary) {
        FMainForm->setWindowTitle(ApplicationTitle);
        if (!Summary.Aborted) ShowInformation(FMainForm, QString::fromStdString(CompletionMessage(Summary)));
    };
}

void TPlainConversion::Start() {
    if (FDriver.Running()) return;
    try {
        FQueue = std::make_shared<TEntryQueue>(FMainForm->Entries());
        FDriver.Start(FQueue);
    } catch (const std::exception& E) {
        ShowError(FMainForm, QString::fromStdString(E.what()));
    }
}

void TPlainConversion::Stop() {
    if (!FDriver.Running()) return;
    // A conversion cut short is no output: nothing half-written stays under an output's name.
    std::vector<int32_t> Stopped;
    FDriver.OnEntryFinished = [&Stopped](TConvDriver*, const TEntryResult& Result) {
        if (Result.Outcome == eoStopped) Stopped.push_back(Result.Index);
    };
    FDriver.Abort();
    FDriver.RunToEnd();
    FDriver.OnEntryFinished = nullptr;
    for (int32_t Index : Stopped) DiscardOutput(FQueue->Entry(Index).OutputName);
}

} // namespace deraz
