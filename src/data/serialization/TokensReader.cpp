#include "data/serialization/TokensReader.h"

#include <cstring>

#include "data/DataException.h"

namespace yox {
namespace data {
namespace impl {

namespace {
char kEmptyText[1] = {'\0'};
}  // namespace

TokensReader::TokensReader(const char* text, char separator, bool copy)
    : separator_(separator),
      position_(0),
      length_(text == nullptr ? 0 : std::strlen(text)),
      text_(text == nullptr ? kEmptyText : text),
      buffer_(copy ? nullptr : const_cast<char*>(text_)),
      owner_(false) {}

TokensReader::~TokensReader() {
  if (owner_) delete[] buffer_;
}

char* TokensReader::next() {
  if (atEnd()) throw SerializerException("TokensReader::next(): Out of range");
  if (buffer_ == nullptr) {
    buffer_ = new char[length_ + 1];
    std::memcpy(buffer_, text_, length_ + 1);
    owner_ = true;
    text_ = buffer_;
  }
  char* const token = buffer_ + position_;
  void* const end = std::memchr(token, separator_, length_ - position_);
  if (end == nullptr) {
    position_ = length_;
  } else {
    char* const separator = static_cast<char*>(end);
    *separator = '\0';
    position_ = static_cast<size_t>(separator - buffer_) + 1;
  }
  return token;
}

}  // namespace impl
}  // namespace data
}  // namespace yox
