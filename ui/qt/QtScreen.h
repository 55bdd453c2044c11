#pragma once

// Placing Qt windows on the screen.

class QWidget;

// Moves the top-level Window, frame included, to the centre of the primary
// screen, kept on the screen (CenterRect). Nothing without a window or a
// screen.
void CenterOnScreen(QWidget* Window);
