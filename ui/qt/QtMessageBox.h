#pragma once

// The program's modal message boxes.

#include <QString>

// Shows a modal box with the system's error symbol, Caption, Text and one
// "OK" button, centred on the screen, and returns when it is dismissed.
// Text is shown as it is, never as rich text: a file called
// "<b>bold</b>.htm" is named with its brackets.
void ShowErrorBox(const QString& Caption, const QString& Text);
