// The registry store against the real registry of the current user (a
// Wine prefix's, under Wine).

#include "platform/RegistryStore.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>


namespace {

using platform::RegistryStore;
using Result = platform::SettingsStore::ReadResult;

// A key for one test, deleted with everything under it when the test ends.
class RegistryStoreTest : public testing::Test {
protected:
  void SetUp() override {
    static int count = 0;
    key = "Software\\Brindle\\PagetrimTests\\store-" + std::to_string(GetCurrentProcessId()) +
          "-" + std::to_string(++count);
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  }

  bool KeyExists() const {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
      return false;
    RegCloseKey(k);
    return true;
  }
  void Put(const char* Name, DWORD Type, const std::string& Data) const {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), Name, Type, Data.data(),
                              static_cast<DWORD>(Data.size())),
              ERROR_SUCCESS);
  }
  // The value as stored: its type and its bytes.
  std::pair<DWORD, std::string> Stored(const char* Name) const {
    DWORD type = 0, size = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), Name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                     nullptr, &size) != ERROR_SUCCESS)
      return {REG_NONE, "missing"};
    std::string data(size, '\0');
    RegGetValueA(HKEY_CURRENT_USER, key.c_str(), Name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                 data.data(), &size);
    data.resize(size);
    return {type, data};
  }
  Result Read(const char* Name, std::string* Value) const {
    RegistryStore store(key);
    EXPECT_TRUE(store.Open());
    return store.ReadString(Name, Value);
  }

  std::string key;
};

TEST_F(RegistryStoreTest, OpenCreatesTheKeyAtOnce) {
  RegistryStore store(key);
  EXPECT_FALSE(KeyExists());
  ASSERT_TRUE(store.Open());
  EXPECT_TRUE(KeyExists());
  std::string value = "kept";
  EXPECT_EQ(store.ReadString("InputPath", &value), Result::Missing);
  EXPECT_EQ(value, "kept");
  store.Close();
}

TEST_F(RegistryStoreTest, WritesStringsWithTheirTerminatingZero) {
  RegistryStore store(key);
  ASSERT_TRUE(store.Open());
  const std::string list = "C:\\Web\\a.htm|C:\\Web\\b.htm";
  EXPECT_TRUE(store.WriteString("InputPath", list));
  EXPECT_TRUE(store.WriteString("OutputPath", ""));
  store.Close();
  EXPECT_EQ(Stored("InputPath"), std::make_pair(DWORD{REG_SZ}, list + '\0'));
  EXPECT_EQ(Stored("OutputPath"), std::make_pair(DWORD{REG_SZ}, std::string(1, '\0')));

  std::string value;
  EXPECT_EQ(Read("InputPath", &value), Result::Ok);
  EXPECT_EQ(value, list);
}

TEST_F(RegistryStoreTest, ALongListSurvivesWhole) {
  std::string list;
  for (int i = 0; list.size() < 200000; ++i) list += "C:\\Web\\page" + std::to_string(i) + ".htm|";
  list.pop_back();
  {
    RegistryStore store(key);
    ASSERT_TRUE(store.Open());
    EXPECT_TRUE(store.WriteString("InputPath", list));
  }
  std::string value;
  EXPECT_EQ(Read("InputPath", &value), Result::Ok);
  EXPECT_EQ(value, list);
}

struct StoredCase {
  const char* name;
  DWORD type;
  std::string data;
  Result result;
  std::string value;  // what is read when the result is Ok
};

class RegistryStoreReadTest : public RegistryStoreTest,
                              public testing::WithParamInterface<StoredCase> {};

TEST_P(RegistryStoreReadTest, TakesStringsAsStored) {
  const StoredCase& c = GetParam();
  Put("InputPath", c.type, c.data);
  std::string value = "unchanged";
  EXPECT_EQ(Read("InputPath", &value), c.result);
  EXPECT_EQ(value, c.result == Result::Ok ? c.value : "unchanged");
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryStoreReadTest,
    testing::Values(
        StoredCase{"String", REG_SZ, std::string("C:\\Out\\\0", 8), Result::Ok, "C:\\Out\\"},
        // Environment references stay as they are.
        StoredCase{"ExpandString", REG_EXPAND_SZ, std::string("%TEMP%\\Out\0", 11), Result::Ok,
                   "%TEMP%\\Out"},
        StoredCase{"WithoutItsZero", REG_SZ, "C:\\Out", Result::Ok, "C:\\Out"},
        StoredCase{"UpToTheFirstZero", REG_SZ, std::string("C:\\a\0C:\\b\0", 10), Result::Ok,
                   "C:\\a"},
        StoredCase{"EmptyString", REG_SZ, std::string(1, '\0'), Result::Ok, ""},
        StoredCase{"LengthZero", REG_SZ, "", Result::Missing, ""},
        StoredCase{"LengthZeroOfAnotherType", REG_BINARY, "", Result::Missing, ""},
        StoredCase{"Number", REG_DWORD, std::string("\x2a\0\0\0", 4), Result::WrongType, ""},
        StoredCase{"Binary", REG_BINARY, "C:\\Out", Result::WrongType, ""},
        StoredCase{"MultiString", REG_MULTI_SZ, std::string("a\0b\0\0", 5), Result::WrongType,
                   ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegistryStoreTest, AKeyGoneWhileOpenFailsToBeReadAndWritten) {
  RegistryStore store(key);
  ASSERT_TRUE(store.Open());
  ASSERT_TRUE(store.WriteString("InputPath", "a"));
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str()), ERROR_SUCCESS);
  std::string value;
  EXPECT_EQ(store.ReadString("InputPath", &value), Result::Failed);
  EXPECT_FALSE(store.WriteString("OutputPath", "b"));
  store.Close();
}

TEST_F(RegistryStoreTest, AKeyThatCannotBeCreatedIsNotOpened) {
  // A key name longer than the registry allows.
  RegistryStore store(key + "\\" + std::string(300, 'x'));
  EXPECT_FALSE(store.Open());
  std::string value;
  EXPECT_EQ(store.ReadString("InputPath", &value), Result::Failed);
  EXPECT_FALSE(store.WriteString("InputPath", "a"));
  store.Close();  // harmless
}

}  // namespace
