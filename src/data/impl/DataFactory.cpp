#include "data/DataFactory.h"

#include "data/impl/BufferHandlerImpl.h"
#include "data/impl/DataImpl.h"

namespace yox {
namespace data {

yox::auto_ptr<Data> DataFactory::createData() { return yox::auto_ptr<Data>(new impl::DataImpl()); }

yox::auto_ptr<BufferHandler> DataFactory::createBufferHandler(const signed char* buffer, size_t size) {
  try {
    return yox::auto_ptr<BufferHandler>(new impl::BufferHandlerImpl(buffer, size));
  } catch (...) {
    delete[] buffer;  // the handler would have owned it
    throw;
  }
}

}  // namespace data
}  // namespace yox
