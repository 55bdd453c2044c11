#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// Returns the smallest index i with Start <= i < End and Buffer[i] == Value,
// or -1 when there is none. An empty range returns -1 without reading Buffer.
std::int32_t FindByte(const void* Buffer, std::int32_t Start, std::int32_t End,
                      std::uint8_t Value);

// Fills a message: each "%s" or "%d" in Fmt is replaced in turn by the next
// argument (numbers are passed already converted with std::to_string).
// A placeholder without an argument left stays as it is; "%%" gives "%".
std::string Format(std::string_view Fmt, std::initializer_list<std::string_view> Args);
