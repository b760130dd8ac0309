#include "tests/desktop/UiTestSupport.h"

#include <QApplication>
#include <QPushButton>
#include <stdexcept>

namespace deraz::test {

TModalHandler::TModalHandler(std::function<void(QWidget*)> Action) : FAction(std::move(Action)) {
    FTimer.setInterval(10);
    QObject::connect(&FTimer, &QTimer::timeout, this, [this] {
        QWidget* Modal = QApplication::activeModalWidget();
        if (!Modal || !Modal->isVisible()) {
            FHandled = nullptr;
            return;
        }
        if (Modal == FHandled) return;
        FHandled = Modal;
        ++FCount;
        FAction(Modal);
        // A window that is shown again later is another opening.
        if (!Modal->isVisible()) FHandled = nullptr;
    });
    FTimer.start();
}

TMessageBoxAnswers::TMessageBoxAnswers(QMessageBox::StandardButton Button) {
    FHandler = std::make_unique<TModalHandler>([this, Button](QWidget* Modal) {
        auto* Box = qobject_cast<QMessageBox*>(Modal);
        if (!Box) return;
        Texts << Box->text() + (Box->detailedText().isEmpty() ? "" : "\n" + Box->detailedText());
        Icons << Box->icon();
        if (auto* Answer = Box->button(Button))
            Answer->click();
        else
            Box->accept();
    });
}

const TAudioFolder& TAudioFolder::Get() {
    static TAudioFolder Folder;
    return Folder;
}

TAudioFolder::TAudioFolder() {
    std::string Wav = File("a.wav");
    WritePcmWav(Wav, MusicLikeSignal(452907, 2, 44100), 2, 44100); // 10.27 s
    bool Made = EncodeWithPeerTool(Wav, ".mp3", File("b.mp3")) &&
                EncodeWithPeerTool(Wav, ".ogg", File("c.ogg")) &&
                EncodeWithPeerTool(Wav, ".flac", File("d.flac")) &&
                RunConverter("-q -f ape -l 3 " + ShellQuote(Wav)) == 0 &&
                RunCommand("mv " + ShellQuote(File("a.ape")) + " " + ShellQuote(File("e.ape"))) == 0;
    if (!Made) throw std::runtime_error("the test audio could not be made");
}

} // namespace deraz::test
