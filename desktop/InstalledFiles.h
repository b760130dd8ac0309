// The files installed with the desktop program: its translations and its documentation, looked
// for beside the executable (a build or a portable copy) and in the installed package's folders.
#pragma once

#include <QUrl>

class QCoreApplication;

namespace deraz {

// Installs the program's translation for the system locale (LANG, LC_ALL, LC_MESSAGES) and Qt's
// own for its standard dialogs, where those are found; English needs none.
void InstallTranslations(QCoreApplication& Application);

// The README the program comes with: under the package's documentation folder, else the source
// tree's when run from a build; empty when neither is there.
QUrl DocumentationUrl();

} // namespace deraz
