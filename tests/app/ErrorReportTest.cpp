#include "app/ErrorReport.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TextCases.h"

namespace {

TEST(ErrorReport, AppendsAFullStopAfterBytesAboveIt) {
  testsupport::ExpectEachGives([](const std::string& M) { return ErrorReportText(M); },
                               {{"", ""},
                                {"Read less than expected", "Read less than expected."},
                                {"code 7", "code 7."},                        // digit
                                {"done.", "done."},                           // 0x2E itself
                                {"Must differ!", "Must differ!"},             // 0x21
                                {"Error opening \"x\"", "Error opening \"x\""},  // 0x22
                                {"(see above)", "(see above)"},               // 0x29
                                {"dash-", "dash-"},                           // 0x2D
                                {"slash/", "slash/."},                        // 0x2F
                                {"ends in a line end\r\n", "ends in a line end\r\n"},
                                {"blank ", "blank "},
                                {"tilde~", "tilde~."},
                                {"high \xE9", "high \xE9."},  // bytes count unsigned
                                {"\xFF", "\xFF."}});
}

}  // namespace
