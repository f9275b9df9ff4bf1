// Helpers of the container tests: a fresh container and the text of the DataException
// a call throws.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "support/SerializerTestUtils.h"

namespace yox {
namespace testing {

inline std::unique_ptr<data::Data> newData() {
  return std::unique_ptr<data::Data>(data::DataFactory::createData().release());
}

// The what() of the DataException that f throws, "" when it throws none.
inline std::string failure(const std::function<void()>& f) { return messageOf<data::DataException>(f); }

}  // namespace testing
}  // namespace yox
