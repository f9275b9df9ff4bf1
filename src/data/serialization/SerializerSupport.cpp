#include "data/serialization/SerializerSupport.h"

#include "data/DataException.h"
#include "data/impl/DiscreteFunctionImpl.h"
#include "data/serialization/StringUtils.h"

namespace yox {
namespace data {
namespace impl {
namespace serialization {

ElementKind elementKindOf(DataType type) {
  const DataTypeInfo* info = findDataType(type);
  if (info != nullptr && info->value == ValueKind::kArray) return info->element;
  throw SerializerException("Unexpected entry data type " + std::to_string(static_cast<int>(type)) + ".");
}

const EntryImpl& entryImplOf(const Entry& entry) {
  const EntryImpl* impl = dynamic_cast<const EntryImpl*>(&entry);
  if (impl == nullptr) throw SerializerException("Wrong implementation of yox::Entry.");
  return *impl;
}

void checkArray(const Entry& entry, bool valid) {
  if (!valid)
    throw SerializerException("Entry '" + util::printableExcerpt(entry.getName()) +
                              "' holds no readable elements.");
}

const Data& functionData(const DiscreteFunction& function) {
  const DiscreteFunctionImpl* impl = dynamic_cast<const DiscreteFunctionImpl*>(&function);
  if (impl == nullptr) throw SerializerException("Wrong implementation of yox::DiscreteFunction.");
  return impl->toData();
}

size_t elementCount(const std::vector<size_t>& dims, const std::string& name) {
  return elementCount(dims.data(), dims.size(), name.c_str());
}

size_t elementCount(const size_t* dims, size_t count, const char* name) {
  size_t product = 1;
  bool overflow = false;
  for (size_t i = 0; i < count; ++i) {
    const size_t extent = dims[i];
    if (extent == 0) return 0;
    if (product > static_cast<size_t>(-1) / extent) overflow = true;
    product *= extent;
  }
  if (overflow)
    throw SerializerException("The extents of entry '" + util::printableExcerpt(name) + "' overflow.");
  return product;
}

void throwUnexpectedStorage(const std::string& name) {
  throw SerializerException("Entry '" + util::printableExcerpt(name) +
                            "' has a shape its type does not allow.");
}

void appendShapedStringPointers(DataImpl& data, const std::string& name, const char** values,
                                StorageType storage, const std::vector<size_t>& dims) {
  switch (storage) {
    case ST_ARRAY:
      return data.appendArrayMoveStringArray(name, values, dims[0]);
    case ST_ARRAY_2D:
      return data.appendArray2DMoveStringArray(name, values, dims[0], dims[1]);
    case ST_MULTI_ARRAY:
      return data.appendMultiArrayMoveStringArray(name, values, dims);
    default:
      throwUnexpectedStorage(name);
  }
}

int requiredExtents(StorageType storage) {
  if (storage == ST_ARRAY) return 1;
  if (storage == ST_ARRAY_2D) return 2;
  return -1;
}

void throwTooDeep(int limit) {
  throw SerializerException("Data nested deeper than the limit [" + std::to_string(limit) + "].");
}

}  // namespace serialization
}  // namespace impl
}  // namespace data
}  // namespace yox
