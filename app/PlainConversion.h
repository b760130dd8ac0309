// "Start conversion." without a progress window: the media bin's entries run through the
// conversion driver, driven from the UI thread, and a message tells how the batch ended.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "app/ConvDriver.h"

namespace deraz {

class TCodecSet;
class TMainForm;

class TPlainConversion : public QObject {
    Q_OBJECT
public:
    TPlainConversion(TMainForm* MainForm, TCodecSet& Codecs, const std::string& SettingsFileName);

    // Starts a batch over the media bin's entries; an empty media bin gets its error message.
    void Start();
    // Stops a running batch, waits until its conversion has finished and removes what that
    // conversion had written.
    void Stop();
    bool Running() const { return FDriver.Running(); }

private:
    TMainForm* FMainForm;
    TConvDriver FDriver;
    std::shared_ptr<TEntryQueue> FQueue; // the running batch's entries
};

} // namespace deraz
