// Version information on Windows: read through the system's own version
// services from our executables' VERSIONINFO resources and from a DLL of
// the system.

#include "about/VersionInfo.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/VersionRes.h"
#include "streams/Streams.h"
#include "support/TempDir.h"

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::string MessageOf(const std::string& File) {
  try {
    TVersionInfo info;
    ReadVersionInfo(File, info);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(none)";
}

// The copyright as the ANSI code page spells it: the build writes the
// resource from UTF-8, and the system hands its texts out in the ANSI page.
std::string Ansi(const std::string& Utf8) {
  const int units = ::MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()),
                                          nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), wide.data(), units);
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr,
                                          nullptr);
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), units, ansi.data(), bytes, nullptr, nullptr);
  return ansi;
}

TVersionInfo OursFor(const std::string& Description, const std::string& Internal,
                     const std::string& Original) {
  TVersionInfo want;
  want.CompanyName = "Brindle";
  want.FileDescription = Description;
  want.InternalName = Internal;
  want.LegalCopyright = Ansi(TEST_COPYRIGHT);
  want.OriginalFilename = Original;
  want.ProductName = "Pagetrim";
  want.FileVersion = want.ProductVersion = {TEST_VERSION_MS, TEST_VERSION_LS};
  return want;
}

void ExpectSame(const TVersionInfo& Got, const TVersionInfo& Want) {
  EXPECT_EQ(Got.CompanyName, Want.CompanyName);
  EXPECT_EQ(Got.FileDescription, Want.FileDescription);
  EXPECT_EQ(Got.InternalName, Want.InternalName);
  EXPECT_EQ(Got.LegalCopyright, Want.LegalCopyright);
  EXPECT_EQ(Got.OriginalFilename, Want.OriginalFilename);
  EXPECT_EQ(Got.ProductName, Want.ProductName);
  EXPECT_EQ(Got.FileVersion.Ms, Want.FileVersion.Ms);
  EXPECT_EQ(Got.FileVersion.Ls, Want.FileVersion.Ls);
  EXPECT_EQ(Got.ProductVersion.Ms, Want.ProductVersion.Ms);
  EXPECT_EQ(Got.ProductVersion.Ls, Want.ProductVersion.Ls);
}

TEST(WinVersionInfoTest, ReadsTheBuiltExecutablesResource) {
  TVersionInfo info;
  ReadVersionInfo(testsupport::BuildPath(TEST_PROBE), info);
  ExpectSame(info, OursFor("Pagetrim version probe", "pagetrim-version-probe",
                           "pagetrim-version-probe.exe"));
}

TEST(WinVersionInfoTest, ProgramVersionReadsThisProgram) {
  const TProgramVersion& Version = ProgramVersion();
  EXPECT_EQ(Version.Text, TEST_VERSION_TEXT);
  EXPECT_EQ(Version.Error, "");
  ExpectSame(Version.Info, OursFor("Pagetrim version tests", "about_tests", "about_tests.exe"));
  EXPECT_EQ(&ProgramVersion(), &Version);
  EXPECT_EQ(platform::ProgramFileName().substr(platform::ProgramFileName().size() - 15),
            "about_tests.exe");
}

TEST(WinVersionInfoTest, ReadsADllOfTheSystem) {
  char folder[MAX_PATH];
  const UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
  ASSERT_GT(n, 0u);
  const std::string dll = std::string(folder, n) + "\\kernel32.dll";
  TVersionInfo info;
  ReadVersionInfo(dll, info);
  EXPECT_NE(info.FileVersion.Ms, 0u);
  EXPECT_NE(info.ProductVersion.Ms, 0u);
  EXPECT_FALSE(info.CompanyName.empty());
  EXPECT_FALSE(info.FileDescription.empty());
  EXPECT_FALSE(info.ProductName.empty());
}

TEST(WinVersionInfoTest, FilesWithoutAResourceAreNamedInTheMessage) {
  TempDir dir;
  const std::string text = dir / "page.htm";
  WriteFile(text, "<p>no program</p>");
  for (const std::string& file : {text, dir / "missing.exe"}) {
    const std::string Want =
        "No version-info was associated with the requested file \"" + file + "\"";
    EXPECT_EQ(MessageOf(file), Want);
    // As a program's version: no text, the same message kept.
    const TProgramVersion Version = ReadProgramVersion(file);
    EXPECT_EQ(Version.Text, "");
    EXPECT_EQ(Version.Error, Want);
  }
}

}  // namespace
