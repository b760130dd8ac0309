#include "desktop/uSplashDlg.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace deraz {

TSplashDlg::TSplashDlg() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("SplashDlg");
    auto* Picture = new QLabel(this);
    Picture->setPixmap(QPixmap(":/pictures/splash.png"));
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(Picture);
    setFixedSize(sizeHint());
    FTimer.setSingleShot(true);
    FTimer.start(2000);
}

} // namespace deraz
