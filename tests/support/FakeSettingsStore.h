#pragma once

// A settings store in memory that records the calls made on it.

#include <map>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"

namespace testsupport {

class FakeStore : public platform::SettingsStore {
public:
  bool openable = true;
  std::map<std::string, std::string> values;
  std::map<std::string, ReadResult> faults;
  std::string refuseWrite;
  std::vector<std::string> log;

  bool Open() override {
    log.push_back("open");
    return openable;
  }
  ReadResult ReadString(const std::string& Name, std::string* Value) override {
    log.push_back("read " + Name);
    if (faults.count(Name)) return faults[Name];
    auto it = values.find(Name);
    if (it == values.end()) return ReadResult::Missing;
    *Value = it->second;
    return ReadResult::Ok;
  }
  bool WriteString(const std::string& Name, const std::string& Value) override {
    log.push_back("write " + Name);
    if (Name == refuseWrite) return false;
    values[Name] = Value;
    return true;
  }
  void Close() override { log.push_back("close"); }
};

}  // namespace testsupport
