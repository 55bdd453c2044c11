#include "about/AboutLogic.h"

#include <cstdio>
#include <memory>

#include "streams/Monitor.h"

std::string TakeMonitorReport() {
  if (std::unique_ptr<TDebugMonitor> Monitor = CurrentMonitor())
    return SDebugBuild + Monitor->ReportText();
  return {};
}

TAboutContent ProgramAboutContent() {
  const TProgramVersion& Version = ProgramVersion();
  return {Version.Text, Version.Info.ProductVersion, TakeMonitorReport()};
}

std::string TwoDigitText(int Value) {
  const std::string Text = std::to_string(Value);
  return Value >= 0 && Value < 10 ? "0" + Text : Text;
}

std::string VersionCaption(const std::string& VersionText, const TVersionPair& ProductVersion) {
  if (VersionText.empty()) return {};
  const int Major = static_cast<int>(ProductVersion.Ms >> 16);
  const int Minor = static_cast<int>(ProductVersion.Ms & 0xFFFF);
  const int Release = static_cast<int>(ProductVersion.Ls >> 16);
  char Numbers[64];
  std::snprintf(Numbers, sizeof Numbers, " %d.%s     %d", Major, TwoDigitText(Minor).c_str(),
                Release);
  return std::string("Version") + Numbers;
}

TAboutHeights AboutHeights(int PanelTop, int ImageTop, int InfoLabelTop, int InfoLabelHeight,
                           int ButtonHeight) {
  TAboutHeights Heights;
  // The panel's height counts from its own top: with the label's bottom in
  // panel coordinates, the margin below it is the logo's top plus one.
  Heights.PanelHeight = InfoLabelTop + InfoLabelHeight + ImageTop + 1;
  Heights.ButtonTop = PanelTop + Heights.PanelHeight + ImageTop;
  Heights.ClientHeight = Heights.ButtonTop + ButtonHeight + PanelTop;
  return Heights;
}
