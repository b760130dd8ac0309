// The media info window: the tags and technical data of one file of the media bin, read-only.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace deraz {

struct TMediaAnalysers;

class TInfoTagDlg : public QDialog {
    Q_OBJECT
public:
    // Reads files with the main window's analysers.
    TInfoTagDlg(QWidget* Parent, TMediaAnalysers& Analysers);

    QLineEdit* edFilename = nullptr;
    QLineEdit* edExt = nullptr;
    QLineEdit* edArtist = nullptr;
    QLineEdit* edTitle = nullptr;
    QLineEdit* edAlbum = nullptr;
    QLineEdit* edTrack = nullptr;
    QLineEdit* edDate = nullptr;
    QComboBox* ComBoxGenre = nullptr;
    QPlainTextEdit* CommentsBox = nullptr;
    QLabel* LblLength = nullptr;
    QLabel* LblBitrate = nullptr;
    QLabel* LblFilesize = nullptr;
    QLabel* LblChannels = nullptr;
    QLabel* LblSamplerate = nullptr;
    QLabel* Label15 = nullptr; // "Vendor:", or "Compression:" for Monkey's Audio
    QLabel* LblVendor = nullptr;
    QLabel* LblEncoder = nullptr;
    QLabel* Label17 = nullptr; // "Version:", or "Compression:" for FLAC
    QLabel* LblVersion = nullptr;
    QLabel* LblLayer = nullptr;
    QLabel* LblFrames = nullptr;
    QLabel* LblEmphasis = nullptr;
    QCheckBox* CBoxCRC = nullptr;
    QCheckBox* CBoxOriginal = nullptr;
    QCheckBox* CBoxCopy = nullptr;
    QPushButton* BtnOK = nullptr;

    // Fills the controls for FileName; a file its reader finds not valid leaves them as they are.
    void ShowMediaInfo(const std::string& FileName);
    // Empties every value, restores the two captions and closes the window.
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* Event) override;
    void reject() override;

private:
    QWidget* CreateTags();
    QWidget* CreateFileInformation();

    TMediaAnalysers& FAnalysers;
};

} // namespace deraz
