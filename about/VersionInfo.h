#pragma once

// Reading the version block of an executable file, and the program's own
// version, read once at start-up.

#include <cstdint>
#include <string>

// A version pair: Ms holds major (high 16 bits) and minor (low 16 bits), Ls
// release (high 16 bits) and build (low 16 bits).
struct TVersionPair {
  std::uint32_t Ms = 0;
  std::uint32_t Ls = 0;
};

struct TVersionInfo {
  std::string CompanyName;
  std::string FileDescription;
  TVersionPair FileVersion;
  std::string InternalName;
  std::string LegalCopyright;
  std::string OriginalFilename;
  std::string ProductName;
  TVersionPair ProductVersion;
};

// The version module's messages (string table entries 65314 to 65317).
inline constexpr char SVersionText[] = "%d.%d.%d (build %d)";
inline constexpr char SFixedFileInfoError[] =
    "An error occured while reading the FixedFileInfo structure from the file.";
inline constexpr char SLangCharsetError[] =
    "An error occured while reading the language/charset description in the file.";
inline constexpr char SNoVersionInfo[] =
    "No version-info was associated with the requested file \"%s\"";

// Fills Info from FileName's version block or raises Exception. Fields the
// block lacks keep what Info held.
void ReadVersionInfo(const std::string& FileName, TVersionInfo& Info);

// Two upper-case hexadecimal digits for Value, high nibble first.
std::string ByteToHex(std::uint8_t Value);

// Reads the program's own version block into ProgramVersionInfo and formats
// ProgramVersionText; swallows every failure (the text stays empty).
void LoadProgramVersion();

// The program's own version; empty and zero when it could not be read.
extern TVersionInfo ProgramVersionInfo;
// "major.minor.release (build N)" of the product version, or empty.
extern std::string ProgramVersionText;
