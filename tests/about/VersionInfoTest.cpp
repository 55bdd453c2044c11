#include "about/VersionInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "platform/VersionRes.h"
#include "streams/Streams.h"
#include "support/Errors.h"
#include "support/FaultFileEnv.h"
#include "support/TempDir.h"
#include "support/VersionImages.h"

using testsupport::TempDir;
using testsupport::WriteFile;

using namespace testimg;

namespace {

const std::string kNoVersion = "No version-info was associated with the requested file \"";
const std::string kFixedInfo =
    "An error occured while reading the FixedFileInfo structure from the file.";
const std::string kLangCharset =
    "An error occured while reading the language/charset description in the file.";

// A record whose every field says it was not touched.
TVersionInfo Untouched() {
  TVersionInfo info;
  info.CompanyName = info.FileDescription = info.InternalName = "old";
  info.LegalCopyright = info.OriginalFilename = info.ProductName = "old";
  info.FileVersion = {0xAAAA, 0xBBBB};
  info.ProductVersion = {0xCCCC, 0xDDDD};
  return info;
}

void ExpectSame(const TVersionInfo& Got, const TVersionInfo& Want, const std::string& Name) {
  EXPECT_EQ(Got.CompanyName, Want.CompanyName) << Name;
  EXPECT_EQ(Got.FileDescription, Want.FileDescription) << Name;
  EXPECT_EQ(Got.InternalName, Want.InternalName) << Name;
  EXPECT_EQ(Got.LegalCopyright, Want.LegalCopyright) << Name;
  EXPECT_EQ(Got.OriginalFilename, Want.OriginalFilename) << Name;
  EXPECT_EQ(Got.ProductName, Want.ProductName) << Name;
  EXPECT_EQ(Got.FileVersion.Ms, Want.FileVersion.Ms) << Name;
  EXPECT_EQ(Got.FileVersion.Ls, Want.FileVersion.Ls) << Name;
  EXPECT_EQ(Got.ProductVersion.Ms, Want.ProductVersion.Ms) << Name;
  EXPECT_EQ(Got.ProductVersion.Ls, Want.ProductVersion.Ls) << Name;
}

// The block the build gives one of our executables.
TVersionInfo OurBlock(const std::string& Description, const std::string& Name) {
  TVersionInfo info;
  info.CompanyName = "Brindle";
  info.FileDescription = Description;
  info.InternalName = info.OriginalFilename = Name;
  info.LegalCopyright = TEST_COPYRIGHT;
  info.ProductName = "Pagetrim";
  info.FileVersion = info.ProductVersion = {TEST_VERSION_MS, TEST_VERSION_LS};
  return info;
}

// What the default test block holds.
TVersionInfo DefaultBlockInfo() {
  TVersionInfo info;
  info.CompanyName = "Brindle";
  info.FileDescription = "Test image";
  info.InternalName = "testimage";
  info.LegalCopyright = "Copyright \xC2\xA9 Brindle";
  info.OriginalFilename = "testimage.exe";
  info.ProductName = "Pagetrim";
  info.FileVersion = {0x00010002, 0x00030004};
  info.ProductVersion = {0x00020001, 0x00000025};
  return info;
}

// The message of the Exception that F raises, or "(none)".
std::string MessageOf(const std::function<void()>& F) {
  return testsupport::MessageOf(F, "(none)");
}

// ---------------------------------------------------------------- ByteToHex

TEST(ByteToHexTest, TwoUpperCaseDigitsHighNibbleFirst) {
  const struct {
    std::uint8_t Value;
    const char* Hex;
  } cases[] = {{0x00, "00"}, {0x0A, "0A"}, {0xE4, "E4"}, {0x04, "04"}, {0xB0, "B0"},
               {0x09, "09"}, {0x10, "10"}, {0x7F, "7F"}, {0xFF, "FF"}, {0xC3, "C3"}};
  for (const auto& c : cases) EXPECT_EQ(ByteToHex(c.Value), c.Hex) << int{c.Value};
}

TEST(ByteToHexTest, EveryByteReadsBack) {
  for (int v = 0; v < 256; ++v) {
    const std::string hex = ByteToHex(static_cast<std::uint8_t>(v));
    ASSERT_EQ(hex.size(), 2u);
    for (char c : hex) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << hex;
    EXPECT_EQ(std::strtol(hex.c_str(), nullptr, 16), v);
  }
}

// ---------------------------------------------------------- ReadVersionInfo

TEST(ReadVersionInfoTest, ReadsEveryKindOfExecutable) {
  const Bytes block = VersionBlock();
  const struct {
    const char* Name;
    Bytes File;
  } cases[] = {
      {"PE32", MakeVersionPe(block, false).File},
      {"PE32+", MakeVersionPe(block, true).File},
      {"ELF64", MakeVersionElf(block, true, false).File},
      {"ELF32", MakeVersionElf(block, false, false).File},
      {"ELF64 big-endian", MakeVersionElf(block, true, true).File},
      {"ELF32 big-endian", MakeVersionElf(block, false, true).File},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const std::string file = dir / "program";
    WriteFile(file, AsString(c.File));
    TVersionInfo info;
    ReadVersionInfo(file, info);
    ExpectSame(info, DefaultBlockInfo(), c.Name);
  }
}

struct TTranslationCase {
  const char* Name;
  std::vector<std::uint32_t> Translations;
  std::vector<TStringTable> Tables;
  TVersionInfo Expected;  // starting from Untouched()
};

TEST(ReadVersionInfoTest, StringsComeFromTheFirstTranslation) {
  const TStringTable german{u"040704B0",
                            {{u"CompanyName", u"Brindle GmbH"},
                             {u"FileDescription", u"Verkleinert HTML"},
                             {u"InternalName", u"pagetrim"},
                             {u"LegalCopyright", u"\u00A9 Brindle"},
                             {u"OriginalFilename", u"pagetrim.exe"},
                             {u"ProductName", u"Pagetrim \u00DC"}}};
  const TStringTable english{u"040904E4",
                             {{u"CompanyName", u"Brindle"},
                              {u"FileDescription", u"Compacts HTML"},
                              {u"InternalName", u"pagetrim-en"},
                              {u"LegalCopyright", u"(c) Brindle"},
                              {u"OriginalFilename", u"pagetrim-en.exe"},
                              {u"ProductName", u"Pagetrim"}}};
  TVersionInfo germanInfo = Untouched();
  germanInfo.CompanyName = "Brindle GmbH";
  germanInfo.FileDescription = "Verkleinert HTML";
  germanInfo.InternalName = "pagetrim";
  germanInfo.LegalCopyright = "\xC2\xA9 Brindle";
  germanInfo.OriginalFilename = "pagetrim.exe";
  germanInfo.ProductName = "Pagetrim \xC3\x9C";
  TVersionInfo englishInfo = Untouched();
  englishInfo.CompanyName = "Brindle";
  englishInfo.FileDescription = "Compacts HTML";
  englishInfo.InternalName = "pagetrim-en";
  englishInfo.LegalCopyright = "(c) Brindle";
  englishInfo.OriginalFilename = "pagetrim-en.exe";
  englishInfo.ProductName = "Pagetrim";

  TStringTable sparse = english;
  sparse.Strings = {{u"ProductName", u"Pagetrim"}, {u"CompanyName", u""}};
  TVersionInfo sparseInfo = Untouched();
  sparseInfo.ProductName = "Pagetrim";
  sparseInfo.CompanyName = "";
  TStringTable lowerCase = english;
  lowerCase.Key = u"040904e4";

  const TTranslationCase cases[] = {
      {"0x0407 with 0x04B0", {0x04B00407}, {german}, germanInfo},
      {"0x0409 with 1252", {0x04E40409}, {german, english}, englishInfo},
      {"several translations, the first counts", {0x04B00407, 0x04E40409}, {english, german},
       germanInfo},
      {"several translations, the second ignored", {0x04E40409, 0x04B00407}, {german, english},
       englishInfo},
      {"no table for the first translation", {0x04B00407, 0x04E40409}, {english},
       Untouched()},
      {"no string tables", {0x04E40409}, {}, Untouched()},
      {"missing keys stay, an empty value empties", {0x04E40409}, {sparse}, sparseInfo},
      {"table name in lower case", {0x04E40409}, {lowerCase}, englishInfo},
  };
  TempDir dir;
  for (const TTranslationCase& c : cases) {
    TBlockSpec spec;
    spec.Translations = c.Translations;
    spec.Tables = c.Tables;
    const std::string file = dir / "program.exe";
    WriteFile(file, AsString(MakeVersionPe(VersionBlock(spec)).File));
    TVersionInfo info = Untouched();
    ReadVersionInfo(file, info);
    TVersionInfo want = c.Expected;
    want.FileVersion = {spec.FileMs, spec.FileLs};
    want.ProductVersion = {spec.ProductMs, spec.ProductLs};
    ExpectSame(info, want, c.Name);
  }
}

TEST(ReadVersionInfoTest, ValueOfLengthZeroLeavesTheField) {
  TNode root = VersionTree({});
  TNode& company = root.Children[0].Children[0].Children[0];
  ASSERT_EQ(company.Key, u"CompanyName");
  company.ValueLength = 0;
  TempDir dir;
  const std::string file = dir / "program.exe";
  WriteFile(file, AsString(MakeVersionPe(WriteNode(root)).File));
  TVersionInfo info = Untouched();
  ReadVersionInfo(file, info);
  EXPECT_EQ(info.CompanyName, "old");
  EXPECT_EQ(info.ProductName, "Pagetrim");
}

struct TErrorCase {
  const char* Name;
  std::function<Bytes()> File;  // nothing written when it returns no bytes
  std::string Message;          // the file's name is appended, then a quote
  bool VersionsRead;            // the version pairs were filled before the error
};

TEST(ReadVersionInfoTest, ErrorsNameWhatWentWrong) {
  auto tree = [](const std::function<void(TNode&)>& Change) {
    return [Change] {
      TNode root = VersionTree({});
      Change(root);
      return MakeVersionPe(WriteNode(root)).File;
    };
  };
  TPeSpec noVersion;
  noVersion.Resources = {{3u, 1u, 0x0409, Bytes(64, 1)}};
  const TErrorCase cases[] = {
      {"missing file", [] { return Bytes(); }, kNoVersion, false},
      {"text file", [] { return Bytes{'<', 'p', '>', 'h', 'i'}; }, kNoVersion, false},
      {"PE without version", [&] { return MakePe(noVersion).File; }, kNoVersion, false},
      {"ELF without version",
       [] {
         TElfSpec spec;
         spec.Sections = {{".text", {0xC3}}};
         return MakeElf(spec).File;
       },
       kNoVersion, false},
      {"fixed info of 48 bytes", tree([](TNode& r) { r.Value.resize(48); }), kFixedInfo, false},
      {"fixed info of 56 bytes", tree([](TNode& r) { r.Value.resize(56); }), kFixedInfo, false},
      {"no fixed info", tree([](TNode& r) { r.Value.clear(); }), kFixedInfo, false},
      {"wrong signature",
       tree([](TNode& r) { r.Value = FixedInfo(1, 2, 3, 4, 0xFEEF04BC); }), kFixedInfo, false},
      {"no translation table", tree([](TNode& r) { r.Children[1].Children.clear(); }),
       kLangCharset, true},
      {"no VarFileInfo", tree([](TNode& r) { r.Children.pop_back(); }), kLangCharset, true},
      {"translation of 2 bytes",
       tree([](TNode& r) { r.Children[1].Children[0].Value.resize(2); }), kLangCharset, true},
      {"translation of 0 bytes",
       tree([](TNode& r) { r.Children[1].Children[0].Value.clear(); }), kLangCharset, true},
  };
  TempDir dir;
  for (const TErrorCase& c : cases) {
    const std::string file = dir / (std::string(c.Name) + ".exe");
    const Bytes bytes = c.File();
    if (!bytes.empty()) WriteFile(file, AsString(bytes));
    TVersionInfo info = Untouched();
    const std::string message = MessageOf([&] { ReadVersionInfo(file, info); });
    EXPECT_EQ(message, c.Message == kNoVersion ? kNoVersion + file + "\"" : c.Message) << c.Name;
    TVersionInfo want = Untouched();
    if (c.VersionsRead) {
      want.FileVersion = {0x00010002, 0x00030004};
      want.ProductVersion = {0x00020001, 0x00000025};
    }
    ExpectSame(info, want, c.Name);
  }
}

TEST(ReadVersionInfoTest, FileChangedBetweenSizingAndReading) {
  TempDir dir;
  const std::string file = dir / "program.exe";
  WriteFile(file, AsString(MakeVersionPe(VersionBlock()).File));
  int sizingReads;
  {
    FaultFileEnv counter;
    ASSERT_NE(platform::FileVersionDataSize(file, &counter), 0u);
    sizingReads = counter.Calls(FileCall::Read);
  }
  FaultFileEnv env;
  env.FailCall(FileCall::Read, sizingReads + 1, platform::ErrorInvalidArgument());
  TVersionInfo info;
  EXPECT_EQ(MessageOf([&] { ReadVersionInfo(file, info, &env); }), kFixedInfo);
}

// Our own executables carry the block the build gave them.
TEST(ReadVersionInfoTest, ReadsOurOwnExecutables) {
  const TVersionInfo want = OurBlock("Pagetrim version probe", "pagetrim-version-probe");
  for (const std::string file : {TEST_PROBE, TEST_STRIPPED_PROBE}) {
    if (file.empty()) continue;  // no strip in this tool chain
    TVersionInfo info;
    ReadVersionInfo(file, info);
    ExpectSame(info, want, file);
  }
}

// ------------------------------------------- ProgramVersion, ReadProgramVersion

TEST(ProgramVersionTest, ReadsThisProgramsOwnFileOnceForEveryThread) {
  std::vector<const TProgramVersion*> seen(4, nullptr);
  {
    std::vector<std::thread> threads;
    for (auto& s : seen) threads.emplace_back([&s] { s = &ProgramVersion(); });
    for (auto& t : threads) t.join();
  }
  for (const TProgramVersion* s : seen) EXPECT_EQ(s, &ProgramVersion());
  const TProgramVersion& version = ProgramVersion();
  EXPECT_EQ(version.Text, TEST_VERSION_TEXT);
  EXPECT_EQ(version.Error, "");
  const TVersionInfo want = OurBlock("Pagetrim version tests", "about_tests");
  ExpectSame(version.Info, want, "own file");
}

TEST(ReadProgramVersionTest, TextShowsTheProductVersion) {
  const struct {
    std::uint32_t Ms, Ls;
    const char* Text;
  } cases[] = {
      {0x00020001, 0x00000025, "2.1.0 (build 37)"},
      {0x00010000, 0x00000000, "1.0.0 (build 0)"},
      {0x0003000A, 0x00010000, "3.10.1 (build 0)"},
      {0x00000000, 0x00000000, "0.0.0 (build 0)"},
      {0xFFFFFFFF, 0xFFFFFFFF, "65535.65535.65535 (build 65535)"},
      {0x80000001, 0x00020003, "32768.1.2 (build 3)"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    TBlockSpec spec;
    spec.FileMs = 0x00090009;  // the file version plays no part
    spec.FileLs = 0x00090009;
    spec.ProductMs = c.Ms;
    spec.ProductLs = c.Ls;
    const std::string file = dir / "program";
    WriteFile(file, AsString(MakeVersionElf(VersionBlock(spec)).File));
    const TProgramVersion version = ReadProgramVersion(file);
    EXPECT_EQ(version.Text, c.Text);
    EXPECT_EQ(version.Error, "") << c.Text;
    EXPECT_EQ(version.Info.ProductVersion.Ms, c.Ms);
    EXPECT_EQ(version.Info.ProductVersion.Ls, c.Ls);
    EXPECT_EQ(version.Info.ProductName, "Pagetrim") << c.Text;
  }
}

TEST(ReadProgramVersionTest, KeepsEveryFailureAsItsError) {
  auto tree = [](const std::function<void(TNode&)>& Change) {
    TNode root = VersionTree({});
    Change(root);
    return MakeVersionElf(WriteNode(root)).File;
  };
  const struct {
    const char* Name;
    Bytes File;
    FileCall FailingCall;
    int Nth;  // 0: no call fails
    std::string Error;  // kNoVersion: followed by the file's name and a quote
  } cases[] = {
      {"no version data", Bytes{'#', '!', '/', 'b', 'i', 'n'}, FileCall::Open, 0, kNoVersion},
      {"bad fixed info", tree([](TNode& r) { r.Value.resize(8); }), FileCall::Open, 0, kFixedInfo},
      {"no translation", tree([](TNode& r) { r.Children.pop_back(); }), FileCall::Open, 0,
       kLangCharset},
      {"file cannot be opened", MakeVersionElf(VersionBlock()).File, FileCall::Open, 1, kNoVersion},
      {"file cannot be sized", MakeVersionElf(VersionBlock()).File, FileCall::GetSize, 1,
       kNoVersion},
      {"first read fails", MakeVersionElf(VersionBlock()).File, FileCall::Read, 1, kNoVersion},
      {"a later read fails", MakeVersionElf(VersionBlock()).File, FileCall::Read, 7, kNoVersion},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const std::string file = dir / "program";
    WriteFile(file, AsString(c.File));
    FaultFileEnv env;
    if (c.Nth > 0) env.FailCall(c.FailingCall, c.Nth, platform::ErrorInvalidArgument());
    TProgramVersion version;
    EXPECT_NO_THROW(version = ReadProgramVersion(file, &env)) << c.Name;
    EXPECT_EQ(version.Error, c.Error == kNoVersion ? kNoVersion + file + "\"" : c.Error) << c.Name;
    EXPECT_EQ(version.Text, "") << c.Name;
    ExpectSame(version.Info, TVersionInfo(), c.Name);
  }
}

}  // namespace
