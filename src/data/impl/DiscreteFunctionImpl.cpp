#include "data/impl/DiscreteFunctionImpl.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

namespace {

const char* const kXArray = "xArray";
const char* const kYArray = "yArray";

std::unique_ptr<Data> newContainer() { return std::unique_ptr<Data>(DataFactory::createData().release()); }

}  // namespace

DiscreteFunctionImpl::DiscreteFunctionImpl() : size_(0), data_(newContainer()) {}

DiscreteFunctionImpl::DiscreteFunctionImpl(yox::auto_ptr<Data> data) : size_(0) {
  if (data.get() == nullptr) throw DataException("Input Data object is NULL.");
  size_t xSize = 0;
  size_t ySize = 0;
  const double* x = data->getArrayDouble(kXArray, xSize);
  data->getArrayDouble(kYArray, ySize);
  if (xSize != ySize) {
    throw DataException(
        util::StringUtils::format("Input arrays size mismatch: xArray[%zu] <--> yArray[%zu].", xSize, ySize));
  }
  checkXArray(x, xSize);
  size_ = xSize;
  data_.reset(data.release());
}

DiscreteFunctionImpl::~DiscreteFunctionImpl() = default;

std::unique_ptr<DiscreteFunctionImpl> DiscreteFunctionImpl::fromArrays(const double* x, const double* y,
                                                                       size_t size,
                                                                       DiscreteFunctionStoragePolicy policy) {
  if (x == nullptr) throw DataException("Input xArray is NULL.");
  if (y == nullptr) throw DataException("Input yArray is NULL.");
  checkXArray(x, size);
  if (policy != DFSP_COPY && policy != DFSP_MOVE) {
    throw DataException("Unexpected DiscreteFunctionStoragePolicy type " +
                        std::to_string(static_cast<long>(policy)) + ".");
  }
  // Adopting one array twice would free it twice.
  if (policy == DFSP_MOVE && x == y) {
    throw DataException("Input xArray and yArray must be different arrays to be moved.");
  }

  std::unique_ptr<DiscreteFunctionImpl> function(new DiscreteFunctionImpl());
  Data& data = *function->data_;
  if (policy == DFSP_COPY) {
    data.appendArray(kXArray, x, size);
    data.appendArray(kYArray, y, size);
  } else {
    data.appendArrayMove(kXArray, x, size);
    try {
      data.appendArrayMove(kYArray, y, size);
    } catch (...) {
      // Hand x back so that the caller owns both arrays, as before the call.
      size_t released = 0;
      data.releaseArrayDouble(kXArray, released);
      throw;
    }
  }
  function->size_ = size;
  return function;
}

void DiscreteFunctionImpl::checkXArray(const double* x, size_t size) {
  for (size_t i = 1; i < size; ++i) {
    const double previous = x[i - 1];
    const double current = x[i];
    if (std::isnan(previous) || std::isnan(current)) continue;
    if (previous == current) {
      throw DataException(util::StringUtils::format(
          "Input array has duplicated X-coordinate: xArray[%zu] --> %f .", i, current));
    }
    if (previous > current) {
      throw DataException(util::StringUtils::format(
          "Input array has descending X-coordinate: xArray[%zu] --> %f .", i, current));
    }
  }
}

size_t DiscreteFunctionImpl::getSize() const { return size_; }

const double* DiscreteFunctionImpl::getXArray() const {
  size_t size = 0;
  return data_->getArrayDouble(kXArray, size);
}

const double* DiscreteFunctionImpl::getYArray() const {
  size_t size = 0;
  return data_->getArrayDouble(kYArray, size);
}

std::string DiscreteFunctionImpl::toString() const { return toString(SIZE_MAX); }

std::string DiscreteFunctionImpl::toString(size_t maxPoints) const {
  const double* x = getXArray();
  const double* y = getYArray();
  const size_t shown = std::min(size_, maxPoints);
  std::string text = "<";
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) text += ",";
    text += util::StringUtils::toString(x[i]);
    text += "|";
    text += util::StringUtils::toString(y[i]);
  }
  if (maxPoints < size_) text += " ... ";
  text += ">";
  return text;
}

yox::auto_ptr<DiscreteFunction> DiscreteFunctionImpl::clone() const {
  return yox::auto_ptr<DiscreteFunction>(new DiscreteFunctionImpl(data_->clone()));
}

bool DiscreteFunctionImpl::operator==(const DiscreteFunction& other) const {
  const DiscreteFunctionImpl& that = dynamic_cast<const DiscreteFunctionImpl&>(other);
  return size_ == that.size_ && *data_ == *that.data_;
}

bool DiscreteFunctionImpl::operator!=(const DiscreteFunction& other) const { return !(*this == other); }

size_t DiscreteFunctionImpl::hashCode() const { return data_->hashCode(); }

const Data& DiscreteFunctionImpl::toData() const { return *data_; }

}  // namespace impl
}  // namespace data
}  // namespace yox
