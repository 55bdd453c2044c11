#pragma once

#include <functional>
#include <string>

#include "streams/Streams.h"

// Runs Body and returns the message of the EInOutError it raises ("" when
// it raises nothing).
inline std::string IoErrorOf(const std::function<void()>& Body) {
  try {
    Body();
  } catch (const EInOutError& e) {
    return e.Message();
  }
  return "";
}
