// Answers every message box the windows under test open, recording its text.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

namespace deraz::test {

class TMessageBoxWatcher : public QObject {
public:
    QStringList Texts;

    TMessageBoxWatcher() {
        connect(&FTimer, &QTimer::timeout, this, [this] {
            for (QWidget* Window : QApplication::topLevelWidgets())
                if (auto* Box = qobject_cast<QMessageBox*>(Window); Box && Box->isVisible()) {
                    Texts << Box->text();
                    Box->accept();
                }
        });
        FTimer.start(20);
    }

private:
    QTimer FTimer;
};

} // namespace deraz::test
