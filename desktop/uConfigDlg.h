// The preferences dialog: the mini mode switches, the sound files played when a batch ends, how
// many files convert at once, which ReplayGain tags they get and how added folders convert. The settings file
// is read into the controls once, when the dialog is made; OK writes them, Cancel keeps the controls' changes
// unwritten.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "driver/InputFiles.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace deraz {

class TConfigDlg : public QDialog {
    Q_OBJECT
public:
    TConfigDlg(const std::string& SettingsFile, QWidget* Parent = nullptr);

    QTabWidget* PageControl1;
    QWidget* GeneralTab;
    QCheckBox* CBoxEnable;
    QGroupBox* GroupBox1;
    QCheckBox* CBoxNotify;
    QCheckBox* CBoxAuto;
    QCheckBox* CBoxSound;
    QGroupBox* GroupBox2;
    QLabel* Lbl1;
    QLineEdit* edConvDone;
    QPushButton* Button1;
    QToolButton* BitBtn1;
    QFrame* Bevel1;
    QLabel* Lbl2;
    QLineEdit* edConvError;
    QPushButton* Button2;
    QToolButton* BitBtn2;
    QSpinBox* SpinParallel;
    QComboBox* ComboReplayGain; // off, track, album
    QGroupBox* FoldersGroup;
    QCheckBox* CBoxKeepFolders;
    QCheckBox* CBoxCopyCovers;
    QCheckBox* CBoxUpdateOnly;
    // Outputs made for a device: each combo box holds its limit as item data, 0 keeping the input's.
    QWidget* DeviceTab;
    QComboBox* ComboMaxRate;
    QComboBox* ComboMaxBits;
    QComboBox* ComboChannels;
    QCheckBox* CBoxCopyCompatible;
    // Names from tags and the removal of outputs whose source has gone.
    QWidget* NamesTab;
    QCheckBox* CBoxNameByTags;
    QLineEdit* EditNamePattern;
    QLabel* LblNamePreview;
    QCheckBox* CBoxRemoveGone;
    // The media bin's selected entry, whose output name the pattern's preview shows; none when no
    // entry is selected.
    std::function<std::optional<TInputFile>()> SelectedInput;
    QPushButton* BtnOK;
    QPushButton* BtnCancel;
    QFileDialog* OpenWavDlg;

    // Closed only by its own buttons.
    void reject() override {}
    // Reads the settings file into the controls (again after a profile has changed it).
    void Load();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void BuildSoundGroup();
    void BuildFoldersGroup();
    void BuildDeviceTab();
    void BuildNamesTab();
    void ShowNamePreview();
    void CBoxEnableClick(bool Checked);
    void CBoxSoundClick(bool Checked);
    void ChooseSound(const QString& Title, QLineEdit* Edit, QLabel* Label, const QString& Caption);
    void PlaySound(QLineEdit* Edit);
    void BtnOKClick();
    void BtnCancelClick();

    std::string FSettingsFile;
};

} // namespace deraz
