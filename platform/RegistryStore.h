#pragma once

// The remembered settings in the registry (Windows only): string values of
// one key under HKEY_CURRENT_USER, read and written with the registry's
// own calls.

#include <string>

#include "platform/SettingsStore.h"

namespace platform {

class RegistryStore : public SettingsStore {
public:
  // The key KeyPath (for example "Software\\Brindle\\Pagetrim") of the
  // current user's hive.
  explicit RegistryStore(std::string KeyPath);
  ~RegistryStore() override;  // closes the key when it is open
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // Opens the key with full access, creating it (at once) when it is missing.
  bool Open() override;
  // REG_SZ and REG_EXPAND_SZ values are taken as stored (nothing expanded),
  // up to their first zero byte. A value of data length 0 counts as
  // missing, whatever its type; any other type is WrongType; a value that
  // the system cannot read is Failed.
  ReadResult ReadString(const std::string& Name, std::string* Value) override;
  // Writes a REG_SZ value, its terminating zero byte included in its length.
  bool WriteString(const std::string& Name, const std::string& Value) override;
  // Closes the key without forcing it to disk.
  void Close() override;

private:
  std::string path_;
  void* key_ = nullptr;  // the open HKEY
};

}  // namespace platform
