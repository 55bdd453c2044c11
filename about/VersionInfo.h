#pragma once

// Reading the version block of an executable file, and the program's own
// version, read the first time it is asked for.

#include <cstdint>
#include <string>

namespace platform {
class FileEnv;
}

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
// What a program's version says went wrong when the error has no message.
inline constexpr char SUnknownVersionError[] = "The version information could not be read.";

// Fills Info from FileName's version block or raises Exception. Fields the
// block lacks keep what Info held. The file is read through Env (null: the
// system's file services; Windows reads it itself).
void ReadVersionInfo(const std::string& FileName, TVersionInfo& Info,
                     platform::FileEnv* Env = nullptr);

// Two upper-case hexadecimal digits for Value, high nibble first.
std::string ByteToHex(std::uint8_t Value);

// A program's version as its About box and --version show it.
struct TProgramVersion {
  TVersionInfo Info;  // empty and zero when it could not be read
  std::string Text;   // "major.minor.release (build N)" of the product version, or empty
  std::string Error;  // why it could not be read; empty when it was
};

// "major.minor.release (build N)" (SVersionText) of ProductVersion.
std::string ProductVersionText(const TVersionPair& ProductVersion);

// FileName's version block as a program's version: Info and Text when it
// can be read, otherwise only Error (the message of what went wrong).
// Raises nothing. Read through Env, as ReadVersionInfo.
TProgramVersion ReadProgramVersion(const std::string& FileName, platform::FileEnv* Env = nullptr);

// The program's own version, read from its executable's version block the
// first time it is asked for (safe from several threads at once), the same
// afterwards. A version that cannot be read is kept as its Error; the
// program starts all the same.
const TProgramVersion& ProgramVersion();
