// The output format dialog: the format of every conversion, its bit rate or level, and whether
// tags are copied; accepting stores them and gives every output name the format's extension.
#pragma once

#include <QDialog>
#include <span>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace deraz {

class TMainForm;

class TConfigOutputDlg : public QDialog {
    Q_OBJECT
public:
    TConfigOutputDlg(TMainForm* MainForm, std::string SettingsFileName);

    QPushButton* BtnOK = nullptr;
    QComboBox* ComboxDestFormat = nullptr;
    QCheckBox* CBoxCopyTags = nullptr;
    QComboBox* ComboxBitrates = nullptr;
    QPushButton* BtnCancel = nullptr;
    QCheckBox* CBoxUseBitrate = nullptr;
    QLabel* Label1 = nullptr;

    void FormShow();
    void ComboxDestFormatChange();
    void BtnOKClick();
    void BtnCancelClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    // Fills the level list with Levels and selects entry Selected (none when out of range).
    void FillLevels(std::span<const char* const> Levels, int Selected);
    // The format list's position of the entry stored as DestExt (-1 when none is), and the
    // DestExt of the chosen entry (-1 without a choice).
    static int ListPosition(int32_t DestExt);
    int32_t ChosenDestExt() const;

    TMainForm* FMainForm;
    std::string FSettingsFileName;
};

} // namespace deraz
