// The one implementation of DiscreteFunctionList: an immutable, ordered list that owns
// its functions.
#pragma once

#include <boost/ptr_container/ptr_vector.hpp>
#include <cstddef>
#include <list>
#include <string>

#include "data/AutoPtr.h"
#include "data/DiscreteFunction.h"

namespace yox {
namespace data {
namespace impl {

class DiscreteFunctionListImpl : public DiscreteFunctionList {
 public:
  // Takes over every function of functions, in order, and leaves it empty.
  explicit DiscreteFunctionListImpl(boost::ptr_vector<DiscreteFunction>& functions);
  ~DiscreteFunctionListImpl() override;

  size_t getSize() const override;
  // Throws DataException "Provided function index '<i>' is out of allowed range [0, <n-1>]."
  const DiscreteFunction& getFunction(size_t index) const override;
  std::list<const DiscreteFunction*> getFunctions() const override;
  std::string toString() const override;
  std::string toString(size_t maxPoints) const override;
  yox::auto_ptr<DiscreteFunctionList> clone() const override;
  bool operator==(const DiscreteFunctionList& other) const override;
  bool operator!=(const DiscreteFunctionList& other) const override;
  size_t hashCode() const override;

 private:
  friend class DiscreteFunctionListBuilderImpl;
  DiscreteFunctionListImpl();

  boost::ptr_vector<DiscreteFunction> functions_;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
