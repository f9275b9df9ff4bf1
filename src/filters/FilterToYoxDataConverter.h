// Turns a parsed inline filter into the yox::data::Data container handed to the
// middleware with a subscription: one entry per constraint, named after its tag,
// typed by its data type word, holding its parsed values (a scalar for one value, an
// array for several).
#pragma once

#include <string>
#include <vector>

#include "base/Export.h"
#include "data/AutoPtr.h"
#include "filters/Filters.h"
#include "values/VUQ_VARS.h"

namespace yox {
namespace data {
class Data;
}
}  // namespace yox

class YOX_EXPORT FilterToYoxDataConverter {
 public:
  // filter must outlive the converter.
  explicit FilterToYoxDataConverter(const Filters::Filter& filter);
  virtual ~FilterToYoxDataConverter();
  FilterToYoxDataConverter(const FilterToYoxDataConverter&) = delete;
  FilterToYoxDataConverter& operator=(const FilterToYoxDataConverter&) = delete;

  // A new container owned by the caller. Throws std::runtime_error for a name-only
  // filter, an unknown data type word or a value that does not parse; no container
  // is returned then. A later constraint on an already used tag replaces its entry.
  yox::auto_ptr<yox::data::Data> toYoxData();

  // Parses every value as T (long, int, short, double, float, or char for bytes: a
  // decimal integer whose low 8 bits are kept) and appends them to data under tagName.
  // Throws std::runtime_error naming the first value that does not parse; data is
  // then unchanged.
  template <class T>
  void addTagValuesToYoxDataObject(const std::string& tagName, const std::vector<std::string>& values,
                                   const VUQ_DATA_TYPE& typeId, yox::data::Data& data);

 private:
  const Filters::Filter& filter;
};
