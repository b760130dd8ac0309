// Times the desktop program's own work, offscreen, through its real windows:
//   desktop_bench add DIR              seconds until every file of DIR is listed in the media bin
//   desktop_bench convert DIR OUT N    seconds for the progress dialog to convert every WAV file of
//                                      DIR to FLAC in OUT with N files at once
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "desktop/ApplicationForms.h"
#include "driver/Settings.h"
#include "desktop/uConvDlg.h"
#include "desktop/uMain.h"

using namespace deraz;

namespace {

QStringList FilesOf(const QString& Folder) {
    QStringList Names;
    for (const QString& Name : QDir(Folder).entryList(QDir::Files, QDir::Name))
        Names << QDir(Folder).filePath(Name);
    return Names;
}

double TimeAdding(TApplicationForms& Forms, const QStringList& Names) {
    TMainForm* Main = Forms.MainForm();
    QElapsedTimer Clock;
    Clock.start();
    Main->AddFiles(Names);
    while (Main->Adding() || Main->EntryCount() < Names.size()) QApplication::processEvents();
    return Clock.elapsed() / 1000.0;
}

double TimeConverting(TApplicationForms& Forms, const QStringList& Names, const QString& Out) {
    std::vector<TMediaEntry> Entries;
    for (const QString& Name : Names) {
        QString Output = QDir(Out).filePath(QFileInfo(Name).completeBaseName() + ".flac");
        Entries.push_back({Name.toStdString(), Output.toStdString()});
    }
    // The batch ends with its completion message; answering it ends the timing.
    QEventLoop Loop;
    QTimer Watch;
    QObject::connect(&Watch, &QTimer::timeout, [&] {
        if (auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (Box->text().startsWith("Convertion completed!")) Loop.quit();
            Box->accept();
        }
    });
    Watch.start(5);
    QElapsedTimer Clock;
    Clock.start();
    Forms.ConvDlg()->StartBatch(std::move(Entries), false);
    Loop.exec();
    return Clock.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TDerazApplication App(argc, argv);
    QStringList Args = App.arguments();
    bool Add = Args.size() == 3 && Args[1] == "add";
    bool Convert = Args.size() == 5 && Args[1] == "convert";
    if (!Add && !Convert) {
        std::fprintf(stderr, "usage: desktop_bench add DIR | convert DIR OUT JOBS\n");
        return 2;
    }
    QTemporaryDir Home;
    std::string Ini = QDir(Home.path()).filePath("Varidir.ini").toStdString();
    if (Convert) TSettings(Ini).WriteParallelConversions(Args[4].toInt());
    TApplicationForms Forms(Ini);
    Forms.CreateForms();
    QStringList Names = FilesOf(Args[2]);
    double Seconds = Add ? TimeAdding(Forms, Names) : TimeConverting(Forms, Names, Args[3]);
    std::printf("%.3f\n", Seconds);
    return 0;
}
