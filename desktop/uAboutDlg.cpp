#include "desktop/uAboutDlg.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/InstalledFiles.h"
#include "desktop/ModulePlayer.h"

namespace deraz {

namespace {

QLabel* Picture(QWidget* Parent, const QString& Resource) {
    auto* Label = new QLabel(Parent);
    Label->setPixmap(QPixmap(Resource));
    Label->setAlignment(Qt::AlignCenter);
    return Label;
}

} // namespace

TAboutDlg::TAboutDlg(QWidget* Parent) : QDialog(Parent) {
    setObjectName("AboutDlg");
    setWindowTitle(tr("About Deraz Audio Converter"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    Player = new TModulePlayer(this);

    auto* Name = new QLabel("<b>Deraz Audio Converter v1.0</b>", this);
    QFont Large = Name->font();
    Large.setPointSizeF(Large.pointSizeF() * 1.4);
    Name->setFont(Large);
    auto* Text = new QLabel(tr("A batch converter for Ogg Vorbis, MP3, FLAC, Monkey's Audio and WAV files.\n"
                               "Free software: see the licence that comes with it."),
                            this);
    Text->setWordWrap(true);
    // The program has no web site: the link opens the documentation that comes with it.
    const QUrl Documentation = DocumentationUrl();
    SiteLink = new QLabel(this);
    if (Documentation.isEmpty()) {
        SiteLink->setText(tr("Visit site."));
        SiteLink->setEnabled(false);
    } else {
        SiteLink->setText(QString("<a href=\"%1\">%2</a>")
                              .arg(Documentation.toString(QUrl::FullyEncoded), tr("Visit site.")));
        SiteLink->setToolTip(Documentation.toLocalFile());
    }
    SiteLink->setOpenExternalLinks(true);
    auto* Ok = new QPushButton(tr("OK"), this);
    Ok->setDefault(true);
    connect(Ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* Words = new QVBoxLayout;
    Words->addWidget(Name);
    Words->addWidget(Text);
    Words->addWidget(SiteLink);
    Words->addStretch();
    auto* Top = new QHBoxLayout;
    Top->addWidget(Picture(this, ":/pictures/logo.png"), 0, Qt::AlignTop);
    Top->addLayout(Words, 1);
    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(Ok);
    auto* Layout = new QVBoxLayout(this);
    Layout->addLayout(Top);
    Layout->addWidget(Picture(this, ":/pictures/waves.jpg"));
    Layout->addLayout(Buttons);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

void TAboutDlg::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    QFile Tune(":/tune/deraz.mod");
    if (Tune.open(QIODevice::ReadOnly)) Player->Play(Tune.readAll());
}

void TAboutDlg::hideEvent(QHideEvent* Event) {
    Player->Stop();
    QDialog::hideEvent(Event);
}

} // namespace deraz
