#include "desktop/ApplicationForms.h"

#include "desktop/MessageBoxes.h"
#include "desktop/uAboutDlg.h"
#include "desktop/uConfigDlg.h"
#include "desktop/uConfigOutputDlg.h"
#include "desktop/uConvDlg.h"
#include "desktop/uInfoTagDlg.h"
#include "desktop/uMain.h"
#include "desktop/uMinimodeDlg.h"
#include "desktop/uSplashDlg.h"

// The pictures, icons and tune live in a static library, whose resources are registered by hand.
static void InitResources() {
    Q_INIT_RESOURCE(resources);
}

namespace deraz {

TDerazApplication::TDerazApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
    InitResources();
    setApplicationName("deraz");
    setWindowIcon(QIcon(":/pictures/deraz.png"));
}

bool TDerazApplication::notify(QObject* Receiver, QEvent* Event) {
    try {
        return QApplication::notify(Receiver, Event);
    } catch (const std::exception& E) {
        ShowError(activeWindow(), QString::fromStdString(E.what()));
        return true;
    }
}

TApplicationForms::TApplicationForms(std::string SettingsFileName)
    : FSettingsFileName(std::move(SettingsFileName)) {}

TApplicationForms::~TApplicationForms() {
    // The batch stops before the windows it reports to go.
    FConvDlg.reset();
    FMinimodeDlg.reset();
    FMainForm.reset();
}

void TApplicationForms::Create() {
    ShowSplash();
    CreateForms();
}

void TApplicationForms::CreateForms() {
    CreateMainForm();
    CreateAboutBox();
    CreateConversion();
    CreatePreferences();
    CreateOutputFormatDialog();
    CreateMinimode();
    CreateMediaInfoWindow();
}

void TApplicationForms::ShowSplash() {
    TSplashDlg Splash;
    Splash.show();
    while (Splash.TimerActive()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TApplicationForms::CreateMainForm() {
    FMainForm = std::make_unique<TMainForm>(FSettingsFileName);
}

void TApplicationForms::CreateAboutBox() {
    FAboutBox = new TAboutDlg(FMainForm.get());
    FMainForm->AboutBox = FAboutBox;
}

void TApplicationForms::CreateConversion() {
    FConvDlg = std::make_unique<TConvDlg>(FMainForm.get(), FSettingsFileName);
    FMainForm->OnStartConversion = [this] {
        FConvDlg->StartBatch(FMainForm->Entries(), FMainForm->AutoMinimode());
    };
    FMainForm->OnStopConversion = [this] { FConvDlg->StopBatch(); };
    FConvDlg->OnSummary = [this](TBatchSummary& Summary) { FMainForm->BatchEnded(Summary); };
    FMainForm->IsConverting = [this] { return FConvDlg->BatchRunning(); };
}

void TApplicationForms::CreatePreferences() {
    FConfigDlg = new TConfigDlg(FSettingsFileName, FMainForm.get());
    FConfigDlg->SelectedInput = [this] { return FMainForm->SelectedInput(); };
    FMainForm->OnShowOptions = [this] {
        FConfigDlg->exec();
        FMainForm->PreferencesChanged();
    };
}

void TApplicationForms::CreateMinimode() {
    FMinimodeDlg = std::make_unique<TMinimodeDlg>(FMainForm.get());
    FConvDlg->SetMinimode(FMinimodeDlg.get());
    // Leaving from the progress or mini window goes through the main window's question; once it
    // has closed (the batch stopped), the program ends whatever windows the batch's end showed.
    auto Leave = [this] {
        if (FMainForm->close()) QApplication::quit();
    };
    FConvDlg->OnLeave = Leave;
    FMinimodeDlg->OnLeave = Leave;
}

void TApplicationForms::CreateOutputFormatDialog() {
    FConfigOutputDlg = new TConfigOutputDlg(FMainForm.get(), FSettingsFileName);
    FMainForm->ConfigOutputDlg = FConfigOutputDlg;
}

void TApplicationForms::CreateMediaInfoWindow() {
    FInfoTagDlg = new TInfoTagDlg(FMainForm.get(), FMainForm->Analysers());
    FMainForm->InfoTagDlg = FInfoTagDlg;
}

} // namespace deraz
