// The discrete-function part of DataFactory; the rest of the factory lives with the
// container.
#include "data/DataFactory.h"
#include "data/impl/DiscreteFunctionImpl.h"
#include "data/impl/DiscreteFunctionListBuilderImpl.h"

namespace yox {
namespace data {

yox::auto_ptr<DiscreteFunction> DataFactory::createDiscreteFunction(const double* x, const double* y,
                                                                    size_t size,
                                                                    DiscreteFunctionStoragePolicy policy) {
  return yox::auto_ptr<DiscreteFunction>(
      impl::DiscreteFunctionImpl::fromArrays(x, y, size, policy).release());
}

yox::auto_ptr<DiscreteFunctionListBuilder> DataFactory::createDiscreteFunctionListBuilder() {
  return yox::auto_ptr<DiscreteFunctionListBuilder>(new impl::DiscreteFunctionListBuilderImpl());
}

}  // namespace data
}  // namespace yox
