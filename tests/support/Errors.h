#pragma once

// The messages of the errors code under test raises.

#include <functional>
#include <string>

#include "streams/Streams.h"

namespace testsupport {

// The message of the error of class E that Body raises, or Otherwise when
// it raises none.
template <class E = Exception>
std::string MessageOf(const std::function<void()>& Body, const std::string& Otherwise = "") {
  try {
    Body();
  } catch (const E& e) {
    return e.Message();
  }
  return Otherwise;
}

// The message of the error that opening Name with Mode raises, or "".
inline std::string OpenError(const std::string& Name, TOpenMode Mode) {
  return MessageOf<EInOutError>([&] { TFileStream s(Name, Mode); });
}

}  // namespace testsupport
