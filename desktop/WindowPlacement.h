// The main window's size, position and media bin column widths, kept in section "Window" of the
// settings file between runs.
#pragma once

#include <string>

class QMainWindow;
class QTreeView;

namespace deraz {

// Puts Window and the columns of List where they were when SavePlacement last ran; a window
// that would fall off every screen keeps its designed place.
void RestorePlacement(const std::string& SettingsFile, QMainWindow* Window, QTreeView* List);
void SavePlacement(const std::string& SettingsFile, const QMainWindow* Window, const QTreeView* List);

} // namespace deraz
