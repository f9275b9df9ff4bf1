// Creation of every object of the data library. Each function returns a new object
// owned by the caller.
#pragma once

#include <cstddef>

#include "data/AutoPtr.h"
#include "data/DiscreteFunction.h"
#include "data/Export.h"

namespace yox {
namespace data {

class BufferHandler;
class Data;
class DataSerializer;

class YOX_EXPORT DataFactory {
 public:
  // A new, empty container.
  static yox::auto_ptr<Data> createData();
  // The binary, string and CSV serializer.
  static yox::auto_ptr<DataSerializer> createDataSerializer();
  // A handler adopting buffer (from new[], size bytes; may be null for size 0); the
  // handler frees it with delete[].
  static yox::auto_ptr<BufferHandler> createBufferHandler(const signed char* buffer, size_t size);
  // A function of size points from x and y, copied or adopted as policy says. Throws
  // DataException for null arrays, x values that do not ascend, or an unknown policy;
  // with DFSP_MOVE the caller keeps the arrays when it throws.
  static yox::auto_ptr<DiscreteFunction> createDiscreteFunction(const double* x, const double* y, size_t size,
                                                                DiscreteFunctionStoragePolicy policy);
  // A new, empty list builder.
  static yox::auto_ptr<DiscreteFunctionListBuilder> createDiscreteFunctionListBuilder();
};

}  // namespace data
}  // namespace yox
