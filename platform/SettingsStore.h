#pragma once

// A per-user store of named string values under one key (the registry on
// Windows, a configuration file elsewhere).

#include <string>

namespace platform {

class SettingsStore {
public:
  enum class ReadResult { Ok, Missing, WrongType, Failed };

  virtual ~SettingsStore() = default;

  // Opens the key with full access, creating it when missing. False when it
  // can be neither opened nor created.
  virtual bool Open() = 0;
  // Reads the string value Name into *Value. Missing: no such value (or an
  // empty one); WrongType: stored as something other than a string;
  // Failed: the store could not be read.
  virtual ReadResult ReadString(const std::string& Name, std::string* Value) = 0;
  // Writes Value as the string value Name. False when the store refused it.
  virtual bool WriteString(const std::string& Name, const std::string& Value) = 0;
  // Closes the key; always called after a successful Open.
  virtual void Close() = 0;
};

}  // namespace platform
