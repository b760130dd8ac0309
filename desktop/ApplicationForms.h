// The program's windows, created once each at start in a fixed order and kept until it ends.
#pragma once

#include <memory>
#include <string>

#include <QApplication>

namespace deraz {

class TMainForm;
class TAboutDlg;
class TConfigOutputDlg;
class TInfoTagDlg;
class TConfigDlg;
class TConvDlg;
class TMinimodeDlg;

// The application object: an exception that reaches an event handler is shown in an error
// message box instead of ending the program.
class TDerazApplication : public QApplication {
public:
    TDerazApplication(int& Argc, char** Argv);
    bool notify(QObject* Receiver, QEvent* Event) override;
};

class TApplicationForms {
public:
    explicit TApplicationForms(std::string SettingsFileName);
    ~TApplicationForms();

    // Shows the splash window until its timer has switched itself off, then creates the windows.
    void Create();
    // Creates every window once, in the start-up order. Raises "<file> library could not be
    // loaded." when a codec library is missing.
    void CreateForms();

    TMainForm* MainForm() const { return FMainForm.get(); }
    TAboutDlg* AboutBox() const { return FAboutBox; }
    TConfigOutputDlg* ConfigOutputDlg() const { return FConfigOutputDlg; }
    TInfoTagDlg* InfoTagDlg() const { return FInfoTagDlg; }
    TConvDlg* ConvDlg() const { return FConvDlg.get(); }
    TConfigDlg* ConfigDlg() const { return FConfigDlg; }
    TMinimodeDlg* MinimodeDlg() const { return FMinimodeDlg.get(); }

private:
    void ShowSplash();
    void CreateMainForm();
    void CreateAboutBox();
    // The progress dialog; creating the components fails when a codec library is missing.
    void CreateConversion();
    void CreatePreferences();
    void CreateOutputFormatDialog();
    void CreateMinimode();
    void CreateMediaInfoWindow();

    std::string FSettingsFileName;
    std::unique_ptr<TMainForm> FMainForm;
    // The dialogs are children of the main window and go with it.
    TAboutDlg* FAboutBox = nullptr;
    TConfigOutputDlg* FConfigOutputDlg = nullptr;
    TInfoTagDlg* FInfoTagDlg = nullptr;
    TConfigDlg* FConfigDlg = nullptr;
    // Windows of their own, shown while the main window is hidden in mini mode.
    std::unique_ptr<TConvDlg> FConvDlg;
    std::unique_ptr<TMinimodeDlg> FMinimodeDlg;
};

} // namespace deraz
