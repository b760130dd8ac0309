#include "desktop/Sound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace deraz {

namespace {

// No notification sound is longer; a sound device that never reports the end cannot hold the
// program longer than this.
constexpr int LongestSoundMs = 30000;
// A device that has not started a loaded sound by then will not.
constexpr int StartTimeoutMs = 2000;

// Runs the event loop, without user input, until Done() holds or TimeoutMs has passed.
template <typename TCondition> void WaitUntil(QSoundEffect& Effect, TCondition Done, int TimeoutMs) {
    if (Done()) return;
    QEventLoop Loop;
    QTimer Timeout;
    Timeout.setSingleShot(true);
    QObject::connect(&Timeout, &QTimer::timeout, &Loop, &QEventLoop::quit);
    auto Check = [&] {
        if (Done()) Loop.quit();
    };
    QObject::connect(&Effect, &QSoundEffect::statusChanged, &Loop, Check);
    QObject::connect(&Effect, &QSoundEffect::playingChanged, &Loop, Check);
    Timeout.start(TimeoutMs);
    Loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void Beep() {
    QApplication::beep();
}

} // namespace

void PlaySoundFile(const QString& FileName) {
    if (!QFileInfo(FileName).isFile() || QMediaDevices::audioOutputs().isEmpty()) {
        Beep();
        return;
    }
    QSoundEffect Effect;
    Effect.setSource(QUrl::fromLocalFile(FileName));
    WaitUntil(
        Effect, [&] { return Effect.status() != QSoundEffect::Loading; }, LongestSoundMs);
    if (Effect.status() != QSoundEffect::Ready) {
        Beep();
        return;
    }
    Effect.play();
    WaitUntil(
        Effect, [&] { return Effect.isPlaying(); }, StartTimeoutMs);
    if (!Effect.isPlaying()) {
        Beep();
        return;
    }
    WaitUntil(
        Effect, [&] { return !Effect.isPlaying(); }, LongestSoundMs);
    Effect.stop();
}

} // namespace deraz
