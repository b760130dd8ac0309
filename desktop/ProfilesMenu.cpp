#include "desktop/ProfilesMenu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>

#include "desktop/MessageBoxes.h"
#include "desktop/uConfigDlg.h"
#include "desktop/uConfigOutputDlg.h"
#include "desktop/uMain.h"
#include "driver/Settings.h"

namespace deraz {

TProfilesMenu::TProfilesMenu(TMainForm* MainForm, QWidget* Parent)
    : QMenu(tr("Profiles"), Parent), FMainForm(MainForm) {
    setObjectName("ProfilesMenu");
    connect(this, &QMenu::aboutToShow, this, &TProfilesMenu::Fill);
    Fill();
}

void TProfilesMenu::Fill() {
    clear();
    for (const std::string& Name : TSettings(FMainForm->SettingsFileName()).ProfileNames()) {
        QAction* Entry = addAction(QString::fromStdString(Name));
        Entry->setStatusTip(tr("Use the output format and options of this profile."));
        connect(Entry, &QAction::triggered, this, [this, Name] { ApplyProfile(Name); });
    }
    if (!actions().isEmpty()) addSeparator();
    QAction* Save = addAction(tr("Save current choice as profile..."));
    Save->setStatusTip(tr("Keep the output format and options under a name."));
    connect(Save, &QAction::triggered, this, &TProfilesMenu::SaveCurrentChoice);
}

void TProfilesMenu::ApplyProfile(const std::string& Name) {
    TSettings Settings(FMainForm->SettingsFileName());
    try {
        Settings.ApplyProfile(Name);
    } catch (const std::exception& E) {
        ShowError(FMainForm, QString::fromStdString(E.what()));
        return;
    }
    const TOutputChoice Choice = Settings.OutputChoice();
    if (TConfigOutputDlg* Dialog = FMainForm->ConfigOutputDlg) {
        Dialog->ComboxDestFormat->setCurrentIndex(Choice.DestExt);
        Dialog->CBoxCopyTags->setChecked(Choice.CopyTags);
        Dialog->CBoxUseBitrate->setChecked(Choice.CapBitrate);
    }
    // The preferences dialog holds the ReplayGain and device choices the profile changed.
    if (auto* Preferences = FMainForm->findChild<TConfigDlg*>()) Preferences->Load();
    FMainForm->SetOutputExtensions(OutputExtension(Choice.DestExt));
}

void TProfilesMenu::SaveCurrentChoice() {
    bool Accepted = false;
    const QString Name = QInputDialog::getText(FMainForm, tr("Save profile"), tr("Profile name:"),
                                               QLineEdit::Normal, {}, &Accepted)
                             .trimmed();
    if (!Accepted || Name.isEmpty()) return;
    try {
        TSettings(FMainForm->SettingsFileName()).SaveCurrentAsProfile(Name.toStdString());
    } catch (const std::exception& E) {
        ShowError(FMainForm, QString::fromStdString(E.what()));
    }
}

} // namespace deraz
