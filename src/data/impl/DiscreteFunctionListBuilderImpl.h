// The one implementation of DiscreteFunctionListBuilder: owns the appended functions
// until build() hands them to a new list. Not thread-safe.
#pragma once

#include <memory>
#include <vector>

#include "data/AutoPtr.h"
#include "data/DiscreteFunction.h"

namespace yox {
namespace data {
namespace impl {

class DiscreteFunctionListBuilderImpl : public DiscreteFunctionListBuilder {
 public:
  DiscreteFunctionListBuilderImpl();
  ~DiscreteFunctionListBuilderImpl() override;

  // Throws DataException "Provided DiscreteFunction instance is null." for a null
  // function; a failed append leaves the builder unchanged.
  void append(yox::auto_ptr<const DiscreteFunction> function) override;
  void clear() override;
  // If it throws (out of memory), the builder keeps its functions.
  yox::auto_ptr<DiscreteFunctionList> build() override;

 private:
  std::vector<std::unique_ptr<const DiscreteFunction>> functions_;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
