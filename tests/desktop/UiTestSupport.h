// Helpers for the window tests: answering modal windows, which otherwise wait in their own
// event loop, and a folder of audio files made by independent encoders.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "tests/support/TestSupport.h"

namespace deraz::test {

// Runs Action on every modal window that opens while this object lives; Action closes it.
class TModalHandler : public QObject {
public:
    explicit TModalHandler(std::function<void(QWidget* Modal)> Action);
    int Count() const { return FCount; }

private:
    std::function<void(QWidget*)> FAction;
    QTimer FTimer;
    QPointer<QWidget> FHandled;
    int FCount = 0;
};

// Answers every message box with Button (or accepts one without it) and keeps their texts and icons.
class TMessageBoxAnswers {
public:
    explicit TMessageBoxAnswers(QMessageBox::StandardButton Button);
    QStringList Texts;
    QList<QMessageBox::Icon> Icons;

private:
    std::unique_ptr<TModalHandler> FHandler;
};

// Audio files of every input format, about 10.27 s long, made once per test program: a.wav
// (44.1 kHz, 16-bit stereo), b.mp3 (lame, 128 kbit/s), c.ogg (oggenc), d.flac (flac), e.ape
// (our converter at "Extra high").
class TAudioFolder {
public:
    static const TAudioFolder& Get();
    std::string File(const std::string& Name) const { return FDir.File(Name); }
    const std::filesystem::path& Path() const { return FDir.Path(); }

private:
    TAudioFolder();
    TTempDir FDir;
};

} // namespace deraz::test
