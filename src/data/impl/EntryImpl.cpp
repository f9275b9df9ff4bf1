#include "data/impl/EntryImpl.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>

#include "data/DataException.h"
#include "data/impl/Arena.h"
#include "data/impl/ArrayImpl.h"
#include "data/impl/DataTypeTable.h"

namespace yox {
namespace data {
namespace impl {

namespace {

[[noreturn]] void throwUnexpectedType(DataType type) {
  throw DataException("Unexpected DataType " + std::to_string(static_cast<int>(type)) + ".");
}

// What an entry of the type holds; throws for a value outside the enumeration.
using Kind = ValueKind;
Kind kindOf(DataType type) { return dataTypeInfo(type).value; }

// Calls f with the scalar value of the type (one of DT_BOOL ... DT_DOUBLE).
template <class F>
decltype(auto) visitScalar(DataType type, const ScalarPrimitiveValue& v, F&& f) {
  switch (type) {
#define YOX_SCALAR_CASE(S, T, DT, ...) \
  case DT:                             \
    return f(v.as<T>());
    YOX_SCALAR_TYPES(YOX_SCALAR_CASE, )
#undef YOX_SCALAR_CASE
    default:
      throwUnexpectedType(type);
  }
}

template <class N>
bool nestedEqual(const N* a, const N* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return *a == *b;
}

template <class N>
size_t nestedHash(const N* n) {
  return n == nullptr ? 0 : n->hashCode();
}

template <class N>
std::string nestedText(const N* n, size_t limit) {
  return n == nullptr ? std::string() : n->toString(limit);
}

template <class N>
const N& nestedValue(const N* n, const std::string& name) {
  if (n == nullptr) throw DataException("Entry '" + name + "' holds no value: it has been released.");
  return *n;
}

}  // namespace

const size_t EntryImpl::SIZE_T_MAX = std::numeric_limits<size_t>::max();

namespace {

ScalarPrimitiveValue slotOf(ArrayBase* holder) {
  ScalarPrimitiveValue v = ScalarPrimitiveValue::of(0L);
  v.array = holder;
  return v;
}
template <class N>
ScalarPrimitiveValue nestedSlot(N* nested) {
  ScalarPrimitiveValue v = ScalarPrimitiveValue::of(0L);
  if constexpr (std::is_same_v<std::remove_const_t<N>, Data>)
    v.data = nested;
  else if constexpr (std::is_same_v<std::remove_const_t<N>, DiscreteFunction>)
    v.function = nested;
  else
    v.list = nested;
  return v;
}

char* copyName(const char* name) {
  const size_t n = std::strlen(name) + 1;
  char* copy = new char[n];
  std::memcpy(copy, name, n);
  return copy;
}

}  // namespace

EntryImpl::EntryImpl(const char* name, DataType type, ScalarPrimitiveValue value, std::uint8_t flags)
    : name_((flags & kBorrowedName) != 0 ? name : copyName(name)),
      type_(type),
      lengthAndFlags_(packLengthAndFlags(std::strlen(name_), flags)),
      value_(value) {}

EntryImpl::EntryImpl(const char* name, DataType type, const ScalarPrimitiveValue& value)
    : EntryImpl(name, type, value, 0) {}

EntryImpl::EntryImpl(const char* name, DataType type, ArrayBase* holder)
    : EntryImpl(name, type, slotOf(holder), 0) {}

// The adopting constructors empty their auto_ptr only once the entry exists.
EntryImpl::EntryImpl(const char* name, yox::auto_ptr<Data> data)
    : EntryImpl(name, DT_DATA, nestedSlot(data.get()), kOwnsNested) {
  data.release();
}

EntryImpl::EntryImpl(const char* name, Data* data) : EntryImpl(name, DT_DATA, nestedSlot(data), 0) {}

EntryImpl::EntryImpl(const char* name, yox::auto_ptr<const DiscreteFunction> function)
    : EntryImpl(name, DT_DISCRETE_FUNCTION, nestedSlot(function.get()), kOwnsNested) {
  function.release();
}

EntryImpl::EntryImpl(const char* name, const DiscreteFunction* function)
    : EntryImpl(name, DT_DISCRETE_FUNCTION, nestedSlot(function), 0) {}

EntryImpl::EntryImpl(const char* name, yox::auto_ptr<const DiscreteFunctionList> list)
    : EntryImpl(name, DT_DISCRETE_FUNCTION_LIST, nestedSlot(list.get()), kOwnsNested) {
  list.release();
}

EntryImpl::EntryImpl(const char* name, const DiscreteFunctionList* list)
    : EntryImpl(name, DT_DISCRETE_FUNCTION_LIST, nestedSlot(list), 0) {}

EntryImpl* EntryImpl::inArena(Arena& arena, const char* name, DataType type,
                              const ScalarPrimitiveValue& value) {
  return new (arena.allocate(sizeof(EntryImpl), alignof(EntryImpl)))
      EntryImpl(name, type, value, static_cast<std::uint8_t>(kBorrowedName | kInArena));
}

EntryImpl* EntryImpl::inArena(Arena& arena, const char* name, DataType type, ArrayBase* holder) {
  return new (arena.allocate(sizeof(EntryImpl), alignof(EntryImpl)))
      EntryImpl(name, type, slotOf(holder), static_cast<std::uint8_t>(kBorrowedName | kInArena));
}

EntryImpl* EntryImpl::inArena(Arena& arena, const char* name, Data* adopted) {
  return new (arena.allocate(sizeof(EntryImpl), alignof(EntryImpl))) EntryImpl(
      name, DT_DATA, nestedSlot(adopted), static_cast<std::uint8_t>(kBorrowedName | kInArena | kOwnsNested));
}

void EntryImpl::dispose() {
  if (isInArena())
    this->~EntryImpl();
  else
    delete this;
}

EntryImpl::~EntryImpl() {
  switch (findDataType(type_) == nullptr ? Kind::kScalar : kindOf(type_)) {
    case Kind::kString:
    case Kind::kArray:
      if (isInArena()) {
        if (value_.array != nullptr) value_.array->~ArrayBase();
      } else {
        delete value_.array;
      }
      break;
    case Kind::kData:
      if (ownsNested()) delete value_.data;
      break;
    case Kind::kFunction:
      if (ownsNested()) delete value_.function;
      break;
    case Kind::kFunctionList:
      if (ownsNested()) delete value_.list;
      break;
    case Kind::kScalar:
      break;
  }
  if ((flags() & kBorrowedName) == 0) delete[] name_;
}

// ---- checks ----

void EntryImpl::throwTypeMismatch(DataType expected) const {
  throw DataException("Type mismatch " + DataTypeUtils::toString(expected) + ". Entry '" + name_ +
                      "' has type " + DataTypeUtils::toString(type_) + ".");
}

void EntryImpl::validateArrayDimensions(size_t expected) const {
  const ArrayBase* holder = getArrayHolder();
  const size_t actual = holder == nullptr ? 0 : holder->getDims().size();
  if (actual != expected) {
    throw DataException("Incorrect array dimensions " + std::to_string(actual) + " for entry '" + name_ +
                        "' of type " + DataTypeUtils::toString(type_) + ". Should be " +
                        std::to_string(expected));
  }
}

void EntryImpl::validateOwnership() const {
  if (!ownsNested())
    throw DataException("Failed to release entry '" + std::string(name_) + "': no ownership.");
}

// The element kind whose holders store T (char: the characters of a DT_STRING entry).
template <class T>
constexpr ElementKind elementKindFor() {
  if constexpr (std::is_same_v<T, bool>)
    return ElementKind::kBool;
  else if constexpr (std::is_same_v<T, signed char>)
    return ElementKind::kByte;
  else if constexpr (std::is_same_v<T, short>)
    return ElementKind::kShort;
  else if constexpr (std::is_same_v<T, int>)
    return ElementKind::kInt;
  else if constexpr (std::is_same_v<T, long>)
    return ElementKind::kLong;
  else if constexpr (std::is_same_v<T, float>)
    return ElementKind::kFloat;
  else if constexpr (std::is_same_v<T, double>)
    return ElementKind::kDouble;
  else if constexpr (std::is_same_v<T, char> || std::is_same_v<T, char*>)
    return ElementKind::kString;
  else if constexpr (std::is_same_v<T, Data*>)
    return ElementKind::kData;
  else
    return ElementKind::kFunction;
}

// The holder's element type follows from the entry's type, which every holder is made
// for; the table confirms it without a dynamic_cast.
template <class T>
Array<T>& EntryImpl::holder() const {
  const DataTypeInfo* info = findDataType(type_);
  const ValueKind expected = std::is_same_v<T, char> ? Kind::kString : Kind::kArray;
  if (info == nullptr || info->value != expected || info->element != elementKindFor<T>() ||
      value_.array == nullptr)
    throwUnexpectedType(type_);
  return *static_cast<Array<T>*>(value_.array);
}

// Calls f with the holder of a string or array entry, typed by its element type.
template <class F>
decltype(auto) EntryImpl::visitArray(F&& f) const {
  switch (type_) {
#define YOX_ARRAY_CASE(S, CT, MT, D1, D2, DN, ...) \
  case D1:                                         \
  case D2:                                         \
  case DN:                                         \
    return f(holder<std::remove_pointer_t<MT>>());
    YOX_ARRAY_TYPES_ND(YOX_ARRAY_CASE, )
#undef YOX_ARRAY_CASE
    case DT_DISCRETE_FUNCTION_ARRAY:
      return f(holder<DiscreteFunction*>());
    case DT_STRING:
      return f(holder<char>());
    default:
      throwUnexpectedType(type_);
  }
}

void EntryImpl::exportDims(size_t& size) const {
  validateArrayDimensions(1);
  size = value_.array->getDims()[0];
}

void EntryImpl::exportDims(size_t& rows, size_t& cols) const {
  validateArrayDimensions(2);
  rows = value_.array->getDims()[0];
  cols = value_.array->getDims()[1];
}

void EntryImpl::exportDims(std::vector<size_t>& dims) const {
  const ArrayBase* holder = getArrayHolder();
  if (holder != nullptr) dims.assign(holder->getDims().begin(), holder->getDims().end());
}

// The common path of every array (and string) get, copy and release: type check,
// ownership check for a release, extents check and export, then the elements.
namespace {

// The extents of a holder into a getter's outputs, when they have the getter's shape.
bool takeDims(const Extents& dims, size_t& size) {
  if (dims.size() != 1) return false;
  size = dims[0];
  return true;
}
bool takeDims(const Extents& dims, size_t& rows, size_t& cols) {
  if (dims.size() != 2) return false;
  rows = dims[0];
  cols = dims[1];
  return true;
}
bool takeDims(const Extents&, std::vector<size_t>&) { return false; }

}  // namespace

template <class MT, class... Out>
MT EntryImpl::arrayElements(DataType type, Access access, Out&... out) const {
  using T = std::remove_pointer_t<MT>;
  // A get of the entry's own type and shape; type fixes the holder's element type.
  if (access == Access::kGet && type_ == type && value_.array != nullptr) {
    const Array<T>& array = *static_cast<const Array<T>*>(value_.array);
    if (takeDims(array.getDims(), out...)) return array.getElements();
  }
  validateDataType(type);
  Array<T>& array = holder<T>();
  if (access == Access::kRelease) {
    if (!hasOwnership()) {
      constexpr bool kOneDim = sizeof...(Out) == 1 && (std::is_same_v<Out, size_t> && ...);
      throw DataException(std::string(kOneDim ? "Failed to release entry '" : "Fail to release entry '") +
                          name_ + (kOneDim ? "' that has no ownership." : "' that has no ownership"));
    }
    if (!array.ownsElements()) throw DataException("Failed to release array: no ownership");
  }
  exportDims(out...);
  if (access == Access::kCopy) return Elements<T>::copy(array.getElements(), array.getElementCount());
  if (access == Access::kRelease) return array.releaseElements();
  return array.getElements();
}

// ---- reads ----

#define YOX_ENTRY_DEF(ret, fn) ret EntryImpl::fn
#define YOX_SCALAR_BODY(S, T, DT) \
  {                               \
    validateDataType(DT);         \
    return value_.as<T>();        \
  }
YOX_SCALAR_GETTERS(YOX_NO_NAME, YOX_ENTRY_DEF, YOX_SCALAR_BODY)
#undef YOX_SCALAR_BODY

#define YOX_ARRAY_BODY(ACCESS, R, MT, DT, ...) \
  { return const_cast<R>(arrayElements<MT>(DT, Access::ACCESS, __VA_ARGS__)); }
#define YOX_GET_BODY(fn, R, MT, DT, ...) YOX_ARRAY_BODY(kGet, R, MT, DT, __VA_ARGS__)
#define YOX_COPY_BODY(fn, R, MT, DT, ...) YOX_ARRAY_BODY(kCopy, R, MT, DT, __VA_ARGS__)
#define YOX_RELEASE_BODY(fn, R, MT, DT, ...) YOX_ARRAY_BODY(kRelease, R, MT, DT, __VA_ARGS__)
YOX_GET_AND_COPY_FAMILIES(YOX_NO_NAME, YOX_ENTRY_DEF, YOX_GET_BODY, YOX_COPY_BODY)
YOX_RELEASE_FAMILIES(YOX_NO_NAME, YOX_ENTRY_DEF, YOX_RELEASE_BODY)
#undef YOX_ARRAY_BODY
#undef YOX_GET_BODY
#undef YOX_COPY_BODY
#undef YOX_RELEASE_BODY
#undef YOX_ENTRY_DEF

const char* EntryImpl::getString() const {
  size_t length;
  return arrayElements<char*>(DT_STRING, Access::kGet, length);
}

char* EntryImpl::releaseString() {
  size_t length;
  return arrayElements<char*>(DT_STRING, Access::kRelease, length);
}

const Data& EntryImpl::getData() const {
  validateDataType(DT_DATA);
  return nestedValue(value_.data, name_);
}

const DiscreteFunction& EntryImpl::getDiscreteFunction() const {
  validateDataType(DT_DISCRETE_FUNCTION);
  return nestedValue(value_.function, name_);
}

const DiscreteFunctionList& EntryImpl::getDiscreteFunctionList() const {
  validateDataType(DT_DISCRETE_FUNCTION_LIST);
  return nestedValue(value_.list, name_);
}

template <class N>
yox::auto_ptr<N> EntryImpl::releaseNested(DataType type, N*& nested) {
  validateDataType(type);
  validateOwnership();
  yox::auto_ptr<N> result(nested);
  nested = nullptr;
  return result;
}

yox::auto_ptr<Data> EntryImpl::releaseData() { return releaseNested(DT_DATA, value_.data); }

yox::auto_ptr<const DiscreteFunction> EntryImpl::releaseDiscreteFunction() {
  return releaseNested(DT_DISCRETE_FUNCTION, value_.function);
}

yox::auto_ptr<const DiscreteFunctionList> EntryImpl::releaseDiscreteFunctionList() {
  return releaseNested(DT_DISCRETE_FUNCTION_LIST, value_.list);
}

// ---- description ----

ArrayBase* EntryImpl::getArrayHolder() const {
  const DataTypeInfo* info = findDataType(type_);
  const bool held = info != nullptr && (info->value == Kind::kArray || info->value == Kind::kString);
  return held ? value_.array : nullptr;
}

size_t EntryImpl::getSize() const {
  switch (kindOf(type_)) {
    case Kind::kData:
      return value_.data == nullptr ? 0 : value_.data->getAllEntriesSize();
    case Kind::kArray:
      return visitArray([](const auto& array) { return array.getElementCount(); });
    default:
      return 1;
  }
}

bool EntryImpl::hasOwnership() const {
  switch (kindOf(type_)) {
    case Kind::kScalar:
      return true;
    case Kind::kString:
    case Kind::kArray:
      return visitArray([](const auto& array) { return array.ownsElements(); });
    default:
      return ownsNested();
  }
}

std::string EntryImpl::getValueAsString() const { return getValueAsString(SIZE_T_MAX); }

std::string EntryImpl::getValueAsString(size_t limit) const {
  switch (kindOf(type_)) {
    case Kind::kScalar:
      return visitScalar(type_, value_, [](auto v) { return yox::util::StringUtils::toString(v); });
    case Kind::kString: {
      const char* text = getString();
      return text == nullptr ? std::string() : std::string(text);
    }
    case Kind::kData:
      return nestedText(value_.data, limit);
    case Kind::kFunction:
      return nestedText(value_.function, limit);
    case Kind::kFunctionList:
      return nestedText(value_.list, limit);
    case Kind::kArray:
      break;
  }
  return visitArray([limit](const auto& array) {
    using T = typename std::decay_t<decltype(array)>::element_type;
    const Extents& dims = array.getDims();
    const size_t rowLength = dims.empty() ? 0 : dims.back();
    std::string text;
    for (size_t i = 0; i < limit && i < array.getElementCount(); ++i) {
      if (i != 0 && rowLength != 0 && i % rowLength == 0) text += '\n';
      text += Elements<T>::text(array.element(i), limit);
      text += ' ';
    }
    return text;
  });
}

std::string EntryImpl::toString() const { return toString(SIZE_T_MAX); }

std::string EntryImpl::toString(size_t limit) const {
  std::string text = "\nName : " + std::string(name_) + "\nType : " + DataTypeUtils::toString(type_);
  const ArrayBase* holder = getArrayHolder();
  const size_t dimCount = holder == nullptr ? 0 : holder->getDims().size();
  if (type_ != DT_STRING && dimCount != 0) {
    text += '[';
    for (size_t i = 0; i < dimCount; ++i) text += (i == 0 ? "" : " ") + std::to_string(holder->getDims()[i]);
    text += ']';
  }
  text += "\nValue: ";
  if (dimCount > 1) text += '\n';
  return text + getValueAsString(limit) + '\n';
}

// ---- copy, compare, hash ----

yox::auto_ptr<Entry> EntryImpl::clone() const {
  const char* name = name_;
  const Data* data = value_.data;
  const DiscreteFunction* function = value_.function;
  const DiscreteFunctionList* list = value_.list;
  switch (kindOf(type_)) {
    case Kind::kScalar:
      return yox::auto_ptr<Entry>(new EntryImpl(name, type_, value_));
    case Kind::kData:
      return yox::auto_ptr<Entry>(
          new EntryImpl(name, yox::auto_ptr<Data>(data == nullptr ? nullptr : data->clone().release())));
    case Kind::kFunction:
      return yox::auto_ptr<Entry>(new EntryImpl(
          name, yox::auto_ptr<const DiscreteFunction>(function == nullptr ? nullptr
                                                                          : function->clone().release())));
    case Kind::kFunctionList:
      return yox::auto_ptr<Entry>(new EntryImpl(
          name,
          yox::auto_ptr<const DiscreteFunctionList>(list == nullptr ? nullptr : list->clone().release())));
    default:
      return visitArray([this, name](const auto& array) {
        using T = typename std::decay_t<decltype(array)>::element_type;
        std::unique_ptr<ArrayBase> copy(
            new ArrayImpl<T, CopyPolicy>(array.getDims(), array.getElementCount(), array.getElements()));
        yox::auto_ptr<Entry> entry(new EntryImpl(name, type_, copy.get()));
        copy.release();
        return entry;
      });
  }
}

bool EntryImpl::operator==(const Entry& other) const {
  if (this == &other) return true;
  const EntryImpl* that = dynamic_cast<const EntryImpl*>(&other);
  if (that == nullptr || std::strcmp(getName(), that->getName()) != 0 || type_ != that->type_) return false;
  switch (kindOf(type_)) {
    case Kind::kScalar:
      return visitScalar(type_, value_, [that](auto v) { return v == that->value_.as<decltype(v)>(); });
    case Kind::kData:
      return nestedEqual(value_.data, that->value_.data);
    case Kind::kFunction:
      return nestedEqual(value_.function, that->value_.function);
    case Kind::kFunctionList:
      return nestedEqual(value_.list, that->value_.list);
    default:
      return visitArray([that](const auto& a) {
        using T = typename std::decay_t<decltype(a)>::element_type;
        const Array<T>& b = that->holder<T>();
        if (a.getDims() != b.getDims() || a.getElementCount() != b.getElementCount()) return false;
        for (size_t i = 0; i < a.getElementCount(); ++i) {
          if (!Elements<T>::equal(a.element(i), b.element(i))) return false;
        }
        return true;
      });
  }
}

bool EntryImpl::operator!=(const Entry& other) const { return !(*this == other); }

size_t EntryImpl::primitiveHashCode() const {
  switch (kindOf(type_)) {
    case Kind::kScalar:
      return visitScalar(type_, value_, [](auto v) { return Elements<decltype(v)>::hash(v); });
    case Kind::kData:
      return nestedHash(value_.data);
    case Kind::kFunction:
      return nestedHash(value_.function);
    case Kind::kFunctionList:
      return nestedHash(value_.list);
    default:
      return visitArray([](const auto& array) {
        using T = typename std::decay_t<decltype(array)>::element_type;
        size_t seed = 0;
        for (size_t i = 0; i < array.getElementCount(); ++i)
          seed = hashCombine(seed, Elements<T>::hash(array.element(i)));
        return seed;
      });
  }
}

size_t EntryImpl::hashCode() const {
  size_t h = hashCombine(17, Elements<char>::hashChars(name_, getNameLength()));
  h = hashCombine(h, static_cast<uint32_t>(type_));
  return hashCombine(h, primitiveHashCode());
}

}  // namespace impl
}  // namespace data
}  // namespace yox
