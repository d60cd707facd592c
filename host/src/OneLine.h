// Words taken from a file or from the system (a segment's or a symbol's name, the system loader's
// reason) end up in a one-line message. A control byte among them would break that line, or
// drive the user's terminal, so it is shown as \xNN instead.
#pragma once

#include <string>
#include <string_view>

namespace quorvex::detail {

inline std::string oneLine(std::string_view text) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      shown += c;
    } else {
      shown += "\\x";
      shown += kDigits[byte >> 4];
      shown += kDigits[byte & 15];
    }
  }
  return shown;
}

}  // namespace quorvex::detail
