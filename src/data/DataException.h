// Exceptions of the data library. Both carry only their message (what()).
#pragma once

#include <stdexcept>
#include <string>

#include "data/Export.h"

namespace yox {
namespace data {

// Raised by the container, its entries, the type lookups and the value codecs.
class YOX_EXPORT DataException : public std::runtime_error {
 public:
  explicit DataException(const std::string& message);
  ~DataException() noexcept override;
};

// Raised by the serializers for malformed or overflowing buffers and texts.
class YOX_EXPORT SerializerException : public std::runtime_error {
 public:
  explicit SerializerException(const std::string& message);
  ~SerializerException() noexcept override;
};

}  // namespace data
}  // namespace yox
