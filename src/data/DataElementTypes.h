// The element-type table of the container's array families and the macros that expand
// it. The implementations (DataImpl, EntryImpl) declare and define every per-type
// operation through these lists, so each family is written once; the expansion order
// (Bool, Byte, Short, Int, Long, Float, Double, String, Data, DiscreteFunction) is the
// order the interfaces Data.h and Entry.h declare them in.
//
// A row is X(Suffix, ConstPtr, MutablePtr, Type1D, Type2D, TypeND, pass-through...):
//   ConstPtr   - what appends take and getters return (const int*, const char**, ...)
//   MutablePtr - what copies and releases hand to the caller (int*, char**, ...); its
//                pointee is the element type the array holders store.
// DiscreteFunction exists in one dimension only; its 2-D and N-D columns are empty.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "data/DataType.h"

namespace yox {
namespace data {
class Data;
class DiscreteFunction;
}  // namespace data
}  // namespace yox

#define YOX_ARRAY_TYPES_ND(X, ...)                                                                           \
  X(Bool, const bool*, bool*, DT_BOOL_ARRAY, DT_BOOL_ARRAY_2D, DT_BOOL_MULTI_ARRAY, __VA_ARGS__)             \
  X(Byte, const signed char*, signed char*, DT_BYTE_ARRAY, DT_BYTE_ARRAY_2D, DT_BYTE_MULTI_ARRAY,            \
    __VA_ARGS__)                                                                                             \
  X(Short, const short*, short*, DT_SHORT_ARRAY, DT_SHORT_ARRAY_2D, DT_SHORT_MULTI_ARRAY, __VA_ARGS__)       \
  X(Int, const int*, int*, DT_INT_ARRAY, DT_INT_ARRAY_2D, DT_INT_MULTI_ARRAY, __VA_ARGS__)                   \
  X(Long, const long*, long*, DT_LONG_ARRAY, DT_LONG_ARRAY_2D, DT_LONG_MULTI_ARRAY, __VA_ARGS__)             \
  X(Float, const float*, float*, DT_FLOAT_ARRAY, DT_FLOAT_ARRAY_2D, DT_FLOAT_MULTI_ARRAY, __VA_ARGS__)       \
  X(Double, const double*, double*, DT_DOUBLE_ARRAY, DT_DOUBLE_ARRAY_2D, DT_DOUBLE_MULTI_ARRAY, __VA_ARGS__) \
  X(String, const char**, char**, DT_STRING_ARRAY, DT_STRING_ARRAY_2D, DT_STRING_MULTI_ARRAY, __VA_ARGS__)   \
  X(Data, const ::yox::data::Data**, ::yox::data::Data**, DT_DATA_ARRAY, DT_DATA_ARRAY_2D,                   \
    DT_DATA_MULTI_ARRAY, __VA_ARGS__)

#define YOX_ARRAY_TYPES(X, ...)                                                               \
  YOX_ARRAY_TYPES_ND(X, __VA_ARGS__)                                                          \
  X(DiscreteFunction, const ::yox::data::DiscreteFunction**, ::yox::data::DiscreteFunction**, \
    DT_DISCRETE_FUNCTION_ARRAY, , , __VA_ARGS__)

// The seven numeric scalars: X(Suffix, Type, DataType, pass-through...).
#define YOX_SCALAR_TYPES(X, ...)             \
  X(Bool, bool, DT_BOOL, __VA_ARGS__)        \
  X(Byte, signed char, DT_BYTE, __VA_ARGS__) \
  X(Short, short, DT_SHORT, __VA_ARGS__)     \
  X(Int, int, DT_INT, __VA_ARGS__)           \
  X(Long, long, DT_LONG, __VA_ARGS__)        \
  X(Float, float, DT_FLOAT, __VA_ARGS__)     \
  X(Double, double, DT_DOUBLE, __VA_ARGS__)

// Pass-through helpers. RET picks the returned pointer type of a row; NAME builds the
// parameter list (the container's operations take the entry name first, an entry's do
// not); DECL places the declarator (interface and class body, or an out-of-class
// definition); BODY closes it (= 0, override, or a definition).
#define YOX_CT(c, m) c
#define YOX_MT(c, m) m
#define YOX_WITH_NAME(...) const std::string& name __VA_OPT__(, ) __VA_ARGS__
#define YOX_NO_NAME(...) __VA_ARGS__
#define YOX_VIRTUAL(ret, fn) virtual ret fn
#define YOX_PLAIN(ret, fn) ret fn
#define YOX_PURE(...) = 0;
#define YOX_OVERRIDE(...) override;
#define YOX_DECLARE(...) ;

// One read family (get, copy or release) over the three shapes in slot order: 1-D for
// the ten types, 2-D for nine, N-D for nine. OP1 names the 1-D and 2-D operations
// (OP1 + Suffix [+ 2D]), OPN the N-D ones (OPN + Suffix). BODY receives the operation
// name, its return type, the mutable pointer type, the DataType and the out-arguments.
#define YOX_READ_1D(S, CT, MT, D1, D2, DN, OP1, OPN, RET, Q, NAME, DECL, BODY) \
  DECL(RET(CT, MT), OP1##S)(NAME(size_t & size)) Q BODY(OP1##S, RET(CT, MT), MT, ::yox::data::D1, size)
#define YOX_READ_2D(S, CT, MT, D1, D2, DN, OP1, OPN, RET, Q, NAME, DECL, BODY) \
  DECL(RET(CT, MT), OP1##S##2D)                                                \
  (NAME(size_t & rows, size_t & cols)) Q BODY(OP1##S##2D, RET(CT, MT), MT, ::yox::data::D2, rows, cols)
#define YOX_READ_ND(S, CT, MT, D1, D2, DN, OP1, OPN, RET, Q, NAME, DECL, BODY) \
  DECL(RET(CT, MT), OPN##S)                                                    \
  (NAME(std::vector<size_t> & dims)) Q BODY(OPN##S, RET(CT, MT), MT, ::yox::data::DN, dims)
#define YOX_READ_FAMILY(OP1, OPN, RET, Q, NAME, DECL, BODY)           \
  YOX_ARRAY_TYPES(YOX_READ_1D, OP1, OPN, RET, Q, NAME, DECL, BODY)    \
  YOX_ARRAY_TYPES_ND(YOX_READ_2D, OP1, OPN, RET, Q, NAME, DECL, BODY) \
  YOX_ARRAY_TYPES_ND(YOX_READ_ND, OP1, OPN, RET, Q, NAME, DECL, BODY)

// getArray<T>, getArray<T>2D, getMultiArray<T>, then the getArrayCopy families.
#define YOX_GET_AND_COPY_FAMILIES(NAME, DECL, GET_BODY, COPY_BODY)              \
  YOX_READ_FAMILY(getArray, getMultiArray, YOX_CT, const, NAME, DECL, GET_BODY) \
  YOX_READ_FAMILY(getArrayCopy, getMultiArrayCopy, YOX_MT, const, NAME, DECL, COPY_BODY)
// releaseArray<T>, releaseArray<T>2D, releaseMultiArray<T>.
#define YOX_RELEASE_FAMILIES(NAME, DECL, BODY) \
  YOX_READ_FAMILY(releaseArray, releaseMultiArray, YOX_MT, , NAME, DECL, BODY)

// The scalar getters getBool ... getDouble.
#define YOX_SCALAR_GET(S, T, DT, NAME, DECL, BODY) DECL(T, get##S)(NAME()) const BODY(S, T, ::yox::data::DT)
#define YOX_SCALAR_GETTERS(NAME, DECL, BODY) YOX_SCALAR_TYPES(YOX_SCALAR_GET, NAME, DECL, BODY)

// The scalar copies append(name, bool) ... append(name, double).
#define YOX_SCALAR_APPEND(S, T, DT, DECL, BODY) \
  DECL(void, append)(const std::string& name, T value) BODY(T, ::yox::data::DT)
#define YOX_SCALAR_APPENDS(DECL, BODY) YOX_SCALAR_TYPES(YOX_SCALAR_APPEND, DECL, BODY)

// The array appends of one ownership kind (copy, Ptr, Move): appendArray<K> for ten
// types, appendArray2D<K> for nine, appendMultiArray<K> for nine. BODY receives the
// element pointer types, the DataType and the dimensions.
#define YOX_APPEND_1D(S, CT, MT, D1, D2, DN, OP1, OP2, OPN, DECL, BODY) \
  DECL(void, OP1)                                                       \
  (const std::string& name, CT values, size_t size) BODY(CT, MT, ::yox::data::D1, (std::vector<size_t>{size}))
#define YOX_APPEND_2D(S, CT, MT, D1, D2, DN, OP1, OP2, OPN, DECL, BODY) \
  DECL(void, OP2)                                                       \
  (const std::string& name, CT values, size_t rows, size_t cols)        \
      BODY(CT, MT, ::yox::data::D2, (std::vector<size_t>{rows, cols}))
#define YOX_APPEND_ND(S, CT, MT, D1, D2, DN, OP1, OP2, OPN, DECL, BODY) \
  DECL(void, OPN)                                                       \
  (const std::string& name, CT values, const std::vector<size_t>& dims) BODY(CT, MT, ::yox::data::DN, dims)
#define YOX_APPEND_FAMILY(OP1, OP2, OPN, DECL, BODY)           \
  YOX_ARRAY_TYPES(YOX_APPEND_1D, OP1, OP2, OPN, DECL, BODY)    \
  YOX_ARRAY_TYPES_ND(YOX_APPEND_2D, OP1, OP2, OPN, DECL, BODY) \
  YOX_ARRAY_TYPES_ND(YOX_APPEND_ND, OP1, OP2, OPN, DECL, BODY)
