#pragma once

// A batch host that records every call a run makes, in order, as text:
//   "writeback DEST"      WriteBackDestination
//   "disable", "enable"   EnableControls
//   "pump"                ProcessMessages
//   "errorbox TEXT"       ErrorBox
//   "stop?"               StopRequested (answering StopAfter)
//   "start SOURCE"        FileStarting
//   "done SOURCE IN OUT"  FileDone, with the byte counts

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/BatchRun.h"

namespace testsupport {

class RecordingHost : public TBatchWindow {
public:
  void WriteBackDestination(const std::string& NewDestination) override {
    Calls.push_back("writeback " + NewDestination);
  }
  void EnableControls(bool Enable) override { Calls.push_back(Enable ? "enable" : "disable"); }
  void ProcessMessages() override {
    Calls.push_back("pump");
    if (OnPump) OnPump();
  }
  void ErrorBox(const std::string& Text) override { Calls.push_back("errorbox " + Text); }
  bool StopRequested() override {
    if (!StopAfter) return false;
    Calls.push_back("stop?");
    return StopAfter();
  }
  void FileStarting(const std::string& Source) override { Calls.push_back("start " + Source); }
  void FileDone(const std::string& Source, std::int64_t BytesIn, std::int64_t BytesOut) override {
    Calls.push_back("done " + Source + " " + std::to_string(BytesIn) + " " +
                    std::to_string(BytesOut));
  }

  std::vector<std::string> Calls;
  // Runs inside every message pump, after it is recorded.
  std::function<void()> OnPump;
  // When set, answers StopRequested (which is then recorded).
  std::function<bool()> StopAfter;
};

}  // namespace testsupport
