// The program's message boxes: each sounds the system beep first, carries the application title
// unless it has its own, and offers OK, or Yes and No for a question.
#pragma once

#include <QString>

class QWidget;

namespace deraz {

// The application's title, which message boxes carry.
inline const char* const ApplicationTitle = "Deraz Audio Converter v1.0";

void ShowError(QWidget* Parent, const QString& Text);
void ShowInformation(QWidget* Parent, const QString& Text);
// A warning with Yes and No; true for Yes.
bool AskWarning(QWidget* Parent, const QString& Text);
// A question with Yes and No and the information icon; true for Yes.
bool AskInformation(QWidget* Parent, const QString& Title, const QString& Text);
// The end of a batch: Text in the box and Details, one line a file, in its expandable part, so
// that the box fits the screen however many files there were; the warning icon when Warn is set.
// Beep: the system beep first, unless a sound of the program's own has taken its place.
void ShowCompletion(QWidget* Parent, const QString& Text, const QString& Details, bool Warn, bool Beep);

} // namespace deraz
