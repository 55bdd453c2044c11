#include "app/ErrorReport.h"

std::string ErrorReportText(const std::string& Message) {
  if (Message.empty()) return Message;
  const auto last = static_cast<unsigned char>(Message.back());
  if (last > '.') return Message + '.';
  return Message;
}
