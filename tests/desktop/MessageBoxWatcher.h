// Answers every message box the windows under test open, recording its text (with its details
// after a line break, where it has any) and its icon.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

namespace deraz::test {

class TMessageBoxWatcher : public QObject {
public:
    QStringList Texts;
    QList<QMessageBox::Icon> Icons;

    TMessageBoxWatcher() {
        connect(&FTimer, &QTimer::timeout, this, [this] {
            for (QWidget* Window : QApplication::topLevelWidgets())
                if (auto* Box = qobject_cast<QMessageBox*>(Window); Box && Box->isVisible()) {
                    Texts << Box->text() + (Box->detailedText().isEmpty() ? "" : "\n" + Box->detailedText());
                    Icons << Box->icon();
                    Box->accept();
                }
        });
        FTimer.start(20);
    }

private:
    QTimer FTimer;
};

} // namespace deraz::test
