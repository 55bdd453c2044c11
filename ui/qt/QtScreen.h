#pragma once

// Placing Qt windows on the screen.

class QWidget;

// Moves the top-level Window so that its frame (the window manager's
// decoration included) is centred on the primary screen, kept on the
// screen (CenterRect). A window about to appear has no frame yet: it is
// placed with the frame the other windows of the program have, and centred
// again once its own frame is known, if that differs. Nothing without a
// window or a screen.
void CenterOnScreen(QWidget* Window);
