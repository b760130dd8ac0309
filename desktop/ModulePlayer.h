// Plays a tracker module through the default sound output until stopped; silent when there is
// no sound device or the module cannot be read.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <memory>

class QAudioSink;

namespace deraz {

class TModulePlayer : public QIODevice {
    Q_OBJECT
public:
    explicit TModulePlayer(QObject* Parent = nullptr);
    ~TModulePlayer() override;

    // Starts Module (the bytes of a module file) from its beginning, looping; false when it is
    // not played.
    bool Play(const QByteArray& Module);
    void Stop();
    bool Playing() const { return FSink != nullptr; }

protected:
    qint64 readData(char* Data, qint64 MaxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    void* FContext; // the module renderer's context
    bool FLoaded = false;
    std::unique_ptr<QAudioSink> FSink;
};

} // namespace deraz
