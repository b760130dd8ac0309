#include "desktop/InstalledFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace deraz {

namespace {

// Loads the catalogue Name for the locale from the first of Folders that has it.
void InstallCatalogue(QCoreApplication& Application, const QString& Name, const QStringList& Folders) {
    for (const QString& Folder : Folders) {
        auto Catalogue = std::make_unique<QTranslator>();
        if (Catalogue->load(QLocale(), Name, "_", Folder)) {
            Catalogue->setParent(&Application);
            QCoreApplication::installTranslator(Catalogue.release());
            return;
        }
    }
}

} // namespace

void InstallTranslations(QCoreApplication& Application) {
    const QString Bin = QCoreApplication::applicationDirPath();
    InstallCatalogue(Application, "deraz", {Bin + "/translations", Bin + "/../share/deraz/translations"});
    InstallCatalogue(Application, "qtbase", {QLibraryInfo::path(QLibraryInfo::TranslationsPath)});
}

QUrl DocumentationUrl() {
    const QString Bin = QCoreApplication::applicationDirPath();
    for (const QString& Candidate :
         {Bin + "/../share/doc/deraz/README.md", QString(DERAZ_SOURCE_DIR "/README.md")})
        if (QFileInfo(Candidate).isFile())
            return QUrl::fromLocalFile(QFileInfo(Candidate).canonicalFilePath());
    return {};
}

} // namespace deraz
