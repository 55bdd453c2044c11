#pragma once

// The screen's pixel density, and the designed sizes of windows scaled for
// it.

// The screen's pixels per inch (the system's setting; 96 when unknown).
int ScreenDpi();

// A length designed at 96 pixels per inch, on this screen.
int Scaled(int DesignedPixels);
