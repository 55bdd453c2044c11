#pragma once

// The About box's decisions and texts, free of any window: the maker's
// details, the version line, the height arithmetic, and the information
// text from the debug monitor. TAboutBox (qt/ and, on Windows, win32/)
// takes them from here.

#include <string>

#include "about/VersionInfo.h"

// The maker's details the box shows.
inline constexpr char SAuthorName[] = "Robin Brindle";
inline constexpr char SMakerEmail[] = "brindle@example.com";
inline constexpr char SMakerHomePage[] = "https://www.example.com/brindle/";
inline constexpr char SMakerHost[] = "www.example.com";
inline constexpr char SDebugBuild[] = "--- Debug build ---\n\r";

// The information text from the debug monitor when there is one
// (SDebugBuild and the monitor's report); empty otherwise. This program has
// no monitor, so it is always empty.
std::string TakeMonitorReport();

// What a showing of the box fills in besides its design: the version line's
// source and the text InfoLabel shows.
struct TAboutContent {
  std::string VersionText;      // a program's TProgramVersion::Text; empty when unknown
  TVersionPair ProductVersion;  // the product version that text was made from
  std::string InfoText;         // empty for none
};

// The box's content for this program: its own version (ProgramVersion())
// and the debug monitor's report (TakeMonitorReport()).
TAboutContent ProgramAboutContent();

// The decimal text of Value, with a leading "0" for 0 to 9 (7 gives 07).
std::string TwoDigitText(int Value);

// The Version label's caption: the design text "Version" followed by
// " major.minor     release" (the minor number in two digits), or empty when
// the version is unknown (VersionText empty). The build is not shown.
std::string VersionCaption(const std::string& VersionText, const TVersionPair& ProductVersion);

// The box's vertical layout once InfoLabel's height is known: the panel ends
// ImageTop + 1 pixels below the label, the button ImageTop pixels below the
// panel, and the client area PanelTop pixels below the button.
struct TAboutHeights {
  int PanelHeight;
  int ButtonTop;
  int ClientHeight;
  bool operator==(const TAboutHeights&) const = default;
};
TAboutHeights AboutHeights(int PanelTop, int ImageTop, int InfoLabelTop, int InfoLabelHeight,
                           int ButtonHeight);
