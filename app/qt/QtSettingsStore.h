#pragma once

// The remembered settings in QSettings: the registry key
// "Software\Brindle\Pagetrim" of the current user on Windows, the user's
// configuration file elsewhere (~/.config/Brindle/Pagetrim.conf), created
// when the store is first opened. Values are strings; one whose bytes are
// not valid UTF-8 is kept as a byte array, so that it comes back whole.

#include <QSettings>

#include <memory>

#include "platform/SettingsStore.h"

class TQtSettingsStore : public platform::SettingsStore {
public:
  bool Open() override;
  ReadResult ReadString(const std::string& Name, std::string* Value) override;
  bool WriteString(const std::string& Name, const std::string& Value) override;
  void Close() override;

private:
  std::unique_ptr<QSettings> settings_;
};
