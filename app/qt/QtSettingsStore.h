#pragma once

// The remembered settings in QSettings: the registry key
// "Software\Brindle\Pagetrim" of the current user on Windows, the user's
// configuration file elsewhere.

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
