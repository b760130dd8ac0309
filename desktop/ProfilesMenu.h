// The "Profiles" submenu of "Configure": one entry per stored profile, which makes it the stored
// output choice, and an entry that saves the current choice under a name.
#pragma once

#include <QMenu>
#include <string>

namespace deraz {

class TMainForm;

class TProfilesMenu : public QMenu {
    Q_OBJECT
public:
    TProfilesMenu(TMainForm* MainForm, QWidget* Parent);

    // Applies profile Name: stores its choice, gives the output names its extension and shows
    // it in the output format and preferences dialogs. A profile this build cannot use is refused with its
    // reason.
    void ApplyProfile(const std::string& Name);
    // Asks for a name and saves the stored choice under it.
    void SaveCurrentChoice();

private:
    // Lists the profiles as they are stored now.
    void Fill();

    TMainForm* FMainForm;
};

} // namespace deraz
