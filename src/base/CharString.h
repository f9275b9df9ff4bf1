// The host platform's string class, reduced to what the plug-in uses: a message
// holder built from a C string and read back as one.
#pragma once

#include <string>

#include "base/Export.h"

class YOX_EXPORT CharString {
 public:
  CharString() = default;
  CharString(const char* text) : text_(text ? text : "") {}  // NOLINT: implicit like the platform's
  const char* c_str() const { return text_.c_str(); }
  operator const char*() const { return text_.c_str(); }  // NOLINT
  size_t len() const { return text_.size(); }

 private:
  std::string text_;
};
