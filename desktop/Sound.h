// Sound notification: a WAV file played to its end. A file that cannot be played, or a machine
// without a sound device, gives the system beep instead, never an error.
#pragma once

#include <QString>

namespace deraz {

// Plays FileName and returns when it has ended, or after a bounded wait; user input waits
// meanwhile. Beeps when the file cannot be played.
void PlaySoundFile(const QString& FileName);

} // namespace deraz
