// The one implementation of DiscreteFunction. Its points live in a private container
// under the double-array entries "xArray" and "yArray"; the serializers write and read a
// function as that container.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "data/AutoPtr.h"
#include "data/Data.h"
#include "data/DiscreteFunction.h"

namespace yox {
namespace data {
namespace impl {

class DiscreteFunctionImpl : public DiscreteFunction {
 public:
  // Takes over a container holding equally long double arrays "xArray" and "yArray"
  // whose x values ascend (NaN pairs are not compared). Throws DataException for a null
  // container, a missing or wrongly typed array, a length mismatch or bad x values; the
  // container is destroyed then.
  explicit DiscreteFunctionImpl(yox::auto_ptr<Data> data);
  ~DiscreteFunctionImpl() override;

  // Builds a function from size points, copying the arrays (DFSP_COPY) or adopting
  // them (DFSP_MOVE, arrays from new[]). Throws DataException for a null array, bad x
  // values or an unknown policy; whatever fails, the caller still owns both arrays.
  static std::unique_ptr<DiscreteFunctionImpl> fromArrays(const double* x, const double* y, size_t size,
                                                          DiscreteFunctionStoragePolicy policy);

  size_t getSize() const override;
  const double* getXArray() const override;
  const double* getYArray() const override;
  std::string toString() const override;
  std::string toString(size_t maxPoints) const override;
  yox::auto_ptr<DiscreteFunction> clone() const override;
  // Throws std::bad_cast when other is not a DiscreteFunctionImpl.
  bool operator==(const DiscreteFunction& other) const override;
  bool operator!=(const DiscreteFunction& other) const override;
  size_t hashCode() const override;

  // The container holding "xArray" and "yArray"; valid while the function lives.
  const Data& toData() const;

  // Throws DataException naming the first index whose x does not exceed its predecessor.
  static void checkXArray(const double* x, size_t size);

 private:
  DiscreteFunctionImpl();

  size_t size_;
  std::unique_ptr<Data> data_;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
