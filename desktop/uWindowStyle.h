// What the program's dialogs share: a title bar without a close button and the form colour.
#pragma once

#include <QWidget>

namespace deraz {

// The dialogs are closed by their own buttons only.
inline void DisableCloseButton(QWidget* Window) {
    Window->setWindowFlags((Window->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                           ~(Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint));
}

inline void SetFormColor(QWidget* Window) {
    QPalette Palette = Window->palette();
    Palette.setColor(QPalette::Window, QColor(230, 229, 219));
    Window->setPalette(Palette);
    Window->setAutoFillBackground(true);
}

} // namespace deraz
