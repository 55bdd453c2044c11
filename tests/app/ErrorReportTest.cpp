#include "app/ErrorReport.h"

#include <gtest/gtest.h>

#include <string>
#include "support/CaseName.h"

namespace {

struct ReportCase {
  std::string message;
  std::string shown;
};

class ErrorReport : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ErrorReport, AppendsAFullStopAfterBytesAboveIt) {
  EXPECT_EQ(ErrorReportText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorReport,
    ::testing::Values(ReportCase{"", ""},                                     //
                      ReportCase{"Read less than expected", "Read less than expected."},
                      ReportCase{"code 7", "code 7."},                        // digit
                      ReportCase{"done.", "done."},                           // 0x2E itself
                      ReportCase{"Must differ!", "Must differ!"},             // 0x21
                      ReportCase{"Error opening \"x\"", "Error opening \"x\""},  // 0x22
                      ReportCase{"(see above)", "(see above)"},               // 0x29
                      ReportCase{"dash-", "dash-"},                           // 0x2D
                      ReportCase{"slash/", "slash/."},                        // 0x2F
                      ReportCase{"ends in a line end\r\n", "ends in a line end\r\n"},
                      ReportCase{"blank ", "blank "},
                      ReportCase{"tilde~", "tilde~."},
                      ReportCase{"high \xE9", "high \xE9."},  // bytes count unsigned
                      ReportCase{"\xFF", "\xFF."}),
    [](const auto& info) { return testsupport::CaseName(info.param.message); });

}  // namespace
