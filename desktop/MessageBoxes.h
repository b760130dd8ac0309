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

} // namespace deraz
