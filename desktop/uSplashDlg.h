// The borderless picture shown while the program starts, until its 2000 ms timer switches itself
// off.
#pragma once

#include <QTimer>
#include <QWidget>

namespace deraz {

class TSplashDlg : public QWidget {
    Q_OBJECT
public:
    TSplashDlg();

    // Whether the timer is still running.
    bool TimerActive() const { return FTimer.isActive(); }

private:
    QTimer FTimer;
};

} // namespace deraz
