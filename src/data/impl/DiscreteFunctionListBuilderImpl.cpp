#include "data/impl/DiscreteFunctionListBuilderImpl.h"

#include "data/DataException.h"
#include "data/impl/DiscreteFunctionListImpl.h"

namespace yox {
namespace data {
namespace impl {

DiscreteFunctionListBuilderImpl::DiscreteFunctionListBuilderImpl() = default;

DiscreteFunctionListBuilderImpl::~DiscreteFunctionListBuilderImpl() = default;

void DiscreteFunctionListBuilderImpl::append(yox::auto_ptr<const DiscreteFunction> function) {
  if (function.get() == nullptr) throw DataException("Provided DiscreteFunction instance is null.");
  // Should the vector fail to grow, the auto_ptr still owns the function and frees it.
  functions_.emplace_back(function.get());
  function.release();
}

void DiscreteFunctionListBuilderImpl::clear() { functions_.clear(); }

yox::auto_ptr<DiscreteFunctionList> DiscreteFunctionListBuilderImpl::build() {
  // Everything that can throw happens before the functions change hands.
  std::unique_ptr<DiscreteFunctionListImpl> list(new DiscreteFunctionListImpl());
  list->functions_.reserve(functions_.size());
  for (std::unique_ptr<const DiscreteFunction>& function : functions_) {
    // The functions were created non-const; the list only ever exposes them as const.
    list->functions_.push_back(const_cast<DiscreteFunction*>(function.release()));
  }
  functions_.clear();
  return yox::auto_ptr<DiscreteFunctionList>(list.release());
}

}  // namespace impl
}  // namespace data
}  // namespace yox
