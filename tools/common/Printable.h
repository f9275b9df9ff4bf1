// Text from the outside (file names, scenario values, a library's exception text that
// quotes its input) made safe to print in a message: control bytes are escaped as
// \xHH so that no terminal sequence reaches the screen, and long texts are cut. Unlike
// the data library's printableExcerpt it leaves backslashes alone: library texts arrive
// already escaped by it, and printing them must not escape them twice.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace yoxtools {

// text with control bytes (below 0x20 and 0x7F) escaped as \xHH and at most limit
// characters of the input kept, followed by "..." when cut. With keepLineFeeds, line
// feeds stay (a library's multi-line text) and trailing ones are dropped.
inline std::string printable(const std::string& text, std::size_t limit = 80, bool keepLineFeeds = false) {
  std::string end = text;
  if (keepLineFeeds) {
    while (!end.empty() && (end.back() == '\n' || end.back() == '\r')) end.pop_back();
  }
  std::string out;
  const std::size_t kept = end.size() < limit ? end.size() : limit;
  for (std::size_t i = 0; i < kept; ++i) {
    const unsigned char c = static_cast<unsigned char>(end[i]);
    if ((c < 0x20 && !(keepLineFeeds && c == '\n')) || c == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  if (kept < end.size()) out += "...";
  return out;
}

}  // namespace yoxtools
