// The about box: the product, who made it, a link to its site, two pictures and a tune that
// plays while the box is open.
#pragma once

#include <QDialog>

class QLabel;

namespace deraz {

class TModulePlayer;

class TAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAboutDlg(QWidget* Parent);

    QLabel* SiteLink = nullptr;
    TModulePlayer* Player = nullptr;

protected:
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;
};

} // namespace deraz
