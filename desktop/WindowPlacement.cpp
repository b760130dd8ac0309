#include "desktop/WindowPlacement.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QStringList>
#include <QTreeView>

#include "platform/IniFile.h"

namespace deraz {

namespace {

const std::string Section = "Window";

} // namespace

void RestorePlacement(const std::string& SettingsFile, QMainWindow* Window, QTreeView* List) {
    TIniFile Ini(SettingsFile);
    const QRect Stored(Ini.ReadInteger(Section, "Left", 0), Ini.ReadInteger(Section, "Top", 0),
                       Ini.ReadInteger(Section, "Width", 0), Ini.ReadInteger(Section, "Height", 0));
    if (Stored.width() > 0 && Stored.height() > 0) {
        Window->resize(Stored.size().expandedTo(Window->minimumSize()));
        for (const QScreen* Screen : QGuiApplication::screens())
            if (Screen->availableGeometry().contains(Stored.topLeft())) {
                Window->move(Stored.topLeft());
                break;
            }
    }
    const QStringList Widths = QString::fromStdString(Ini.ReadString(Section, "Columns", "")).split(',');
    for (int Column = 0; Column < Widths.size() && Column < List->header()->count(); ++Column) {
        bool Number = false;
        const int Width = Widths[Column].toInt(&Number);
        if (Number && Width > 0) List->setColumnWidth(Column, Width);
    }
}

void SavePlacement(const std::string& SettingsFile, const QMainWindow* Window, const QTreeView* List) {
    TIniFile Ini(SettingsFile);
    const QRect Frame = Window->geometry();
    Ini.WriteInteger(Section, "Left", Window->pos().x());
    Ini.WriteInteger(Section, "Top", Window->pos().y());
    Ini.WriteInteger(Section, "Width", Frame.width());
    Ini.WriteInteger(Section, "Height", Frame.height());
    QStringList Widths;
    for (int Column = 0; Column < List->header()->count(); ++Column)
        Widths << QString::number(List->columnWidth(Column));
    Ini.WriteString(Section, "Columns", Widths.join(',').toStdString());
}

} // namespace deraz
