#include "platform/RegistryStore.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace platform {

namespace {

HKEY Key(void* Key) { return static_cast<HKEY>(Key); }

}  // namespace

RegistryStore::RegistryStore(std::string KeyPath) : path_(std::move(KeyPath)) {}

RegistryStore::~RegistryStore() { Close(); }

bool RegistryStore::Open() {
  Close();
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  key_ = key;
  return true;
}

SettingsStore::ReadResult RegistryStore::ReadString(const std::string& Name, std::string* Value) {
  if (key_ == nullptr) return ReadResult::Failed;
  DWORD type = REG_NONE;
  DWORD size = 0;
  LONG result = RegQueryValueExA(Key(key_), Name.c_str(), nullptr, &type, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) return ReadResult::Missing;
  std::vector<char> data;
  // The value may grow between the two calls; then the size is asked again.
  while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    if (size == 0) return ReadResult::Missing;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ReadResult::WrongType;
    data.assign(size + 1, '\0');  // one more for a value stored without its zero
    DWORD read = size;
    result = RegQueryValueExA(Key(key_), Name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &read);
    if (result == ERROR_SUCCESS) {
      if (read == 0) return ReadResult::Missing;
      if (type != REG_SZ && type != REG_EXPAND_SZ) return ReadResult::WrongType;
      *Value = std::string(data.data(), strnlen(data.data(), read));
      return ReadResult::Ok;
    }
    if (result == ERROR_MORE_DATA) size = read;
  }
  return result == ERROR_FILE_NOT_FOUND ? ReadResult::Missing : ReadResult::Failed;
}

bool RegistryStore::WriteString(const std::string& Name, const std::string& Value) {
  if (key_ == nullptr) return false;
  return RegSetValueExA(Key(key_), Name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(Value.c_str()),
                        static_cast<DWORD>(Value.size() + 1)) == ERROR_SUCCESS;
}

void RegistryStore::Close() {
  if (key_ == nullptr) return;
  RegCloseKey(Key(key_));
  key_ = nullptr;
}

}  // namespace platform
