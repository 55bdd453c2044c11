#include "cli/FlatCommand.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ProgressCase {
  std::size_t files;
  bool quiet;
  bool terminal;
  bool shown;
};

class Progress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(Progress, OnlyForSeveralFilesOnATerminalWhenNotQuiet) {
  TCliArgs args;
  args.HasDestination = true;
  args.Files.assign(GetParam().files, "x.htm");
  args.Quiet = GetParam().quiet;
  EXPECT_EQ(WantProgress(args, GetParam().terminal), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, Progress,
                         ::testing::Values(ProgressCase{2, false, true, true},
                                           ProgressCase{50, false, true, true},
                                           ProgressCase{1, false, true, false},
                                           ProgressCase{2, true, true, false},
                                           ProgressCase{2, false, false, false}),
                         [](const auto& info) {
                           const ProgressCase& c = info.param;
                           return "Files" + std::to_string(c.files) + (c.quiet ? "Quiet" : "") +
                                  (c.terminal ? "OnATerminal" : "ElsewhereThanATerminal");
                         });

}  // namespace
