#include "data/DataException.h"

namespace yox {
namespace data {

DataException::DataException(const std::string& message) : std::runtime_error(message) {}
DataException::~DataException() noexcept = default;

SerializerException::SerializerException(const std::string& message) : std::runtime_error(message) {}
SerializerException::~SerializerException() noexcept = default;

}  // namespace data
}  // namespace yox
