#include "desktop/ModulePlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <cstring>
#include <xmp.h>

namespace deraz {

namespace {

constexpr int SampleRate = 44100;

xmp_context Context(void* Pointer) {
    return static_cast<xmp_context>(Pointer);
}

} // namespace

TModulePlayer::TModulePlayer(QObject* Parent) : QIODevice(Parent), FContext(xmp_create_context()) {}

TModulePlayer::~TModulePlayer() {
    Stop();
    xmp_free_context(Context(FContext));
}

bool TModulePlayer::Play(const QByteArray& Module) {
    Stop();
    QAudioDevice Device = QMediaDevices::defaultAudioOutput();
    if (Device.isNull() || !FContext) return false;
    if (xmp_load_module_from_memory(Context(FContext), Module.constData(), long(Module.size())) != 0)
        return false;
    FLoaded = true;
    if (xmp_start_player(Context(FContext), SampleRate, 0) != 0) {
        Stop();
        return false;
    }
    QAudioFormat Format;
    Format.setSampleRate(SampleRate);
    Format.setChannelCount(2);
    Format.setSampleFormat(QAudioFormat::Int16);
    if (!Device.isFormatSupported(Format)) {
        Stop();
        return false;
    }
    open(QIODevice::ReadOnly);
    FSink = std::make_unique<QAudioSink>(Device, Format);
    FSink->start(this);
    return true;
}

void TModulePlayer::Stop() {
    if (FSink) {
        FSink->stop();
        FSink.reset();
    }
    if (isOpen()) close();
    if (FLoaded) {
        xmp_end_player(Context(FContext));
        xmp_release_module(Context(FContext));
        FLoaded = false;
    }
}

qint64 TModulePlayer::readData(char* Data, qint64 MaxSize) {
    // Whole stereo 16-bit frames only; 0 (endless loop) plays the module over and over.
    qint64 Size = MaxSize & ~qint64(3);
    if (Size <= 0 || !FLoaded) return 0;
    if (xmp_play_buffer(Context(FContext), Data, int(Size), 0) != 0) std::memset(Data, 0, size_t(Size));
    return Size;
}

} // namespace deraz
