// The exception mappers throw to the host: a reason text and nothing else. It is
// deliberately not a std::exception; the host catches it by this type.
#pragma once

#include <string>

#include "base/CharString.h"
#include "base/Export.h"

class YOX_EXPORT ManException {
 public:
  explicit ManException(const char* message) : message_(message) {}
  explicit ManException(const CharString& message) : message_(message) {}
  explicit ManException(const std::string& message);
  virtual ~ManException();

  // The reason text; valid while the exception lives.
  const char* getMessage() const { return message_.c_str(); }
  const CharString& getText() const { return message_; }

 private:
  CharString message_;
};
