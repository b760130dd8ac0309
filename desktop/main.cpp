// The desktop program: loads the codec libraries, shows the splash window, creates the windows
// and runs until the main window closes. Files and folders named on the command line are added to
// the media bin as a drop would add them. "--version" prints the version and ends.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <QFileInfo>

#include "codecs/CodecLibraries.h"
#include "desktop/ApplicationForms.h"
#include "desktop/InstalledFiles.h"
#include "desktop/MessageBoxes.h"
#include "desktop/uMain.h"
#include "driver/Settings.h"

namespace {

// Whether a window system is at hand: a display, or a platform chosen explicitly.
bool HaveDisplay() {
    for (const char* Name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* Value = std::getenv(Name);
        if (Value && *Value) return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("deraz %s (Deraz Audio Converter)\n", DERAZ_VERSION);
        return 0;
    }
    if (!HaveDisplay()) {
        std::fprintf(stderr, "deraz: no display to open windows on; use deraz-convert to convert files "
                             "from the command line.\n");
        return 1;
    }
    deraz::LoadCodecLibraries();
    deraz::TDerazApplication Application(argc, argv);
    deraz::InstallTranslations(Application);
    deraz::TApplicationForms Forms(deraz::DefaultSettingsFileName());
    try {
        Forms.Create();
    } catch (const std::exception& E) {
        std::fprintf(stderr, "deraz: %s\n", E.what());
        deraz::ShowError(nullptr, QString::fromStdString(E.what()));
        return 1;
    }
    Forms.MainForm()->show();
    // The arguments Qt has not taken for itself.
    QStringList Inputs;
    for (const QString& Argument : Application.arguments().mid(1))
        Inputs << QFileInfo(Argument).absoluteFilePath();
    if (!Inputs.isEmpty()) Forms.MainForm()->AddDroppedNames(Inputs);
    return Application.exec();
}
