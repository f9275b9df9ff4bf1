// Seeded random containers over all 39 entry types, for the serializer round-trip
// tests, the benchmarks and the fuzz seed generator. Built only through the public
// interface (DataFactory, Data::append...), so they look like any client's containers.
// The same seed always gives the same container.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataType.h"
#include "data/DiscreteFunction.h"

namespace yox {
namespace testing {

// Every DataType value, in numeric order.
inline const std::vector<data::DataType>& allDataTypes() {
  static const std::vector<data::DataType> types = [] {
    std::vector<data::DataType> all;
    for (int t = 0; t <= 32; ++t) all.push_back(static_cast<data::DataType>(t));
    for (int t : {40, 41, 42, 50, 51, 60}) all.push_back(static_cast<data::DataType>(t));
    return all;
  }();
  return types;
}

struct RandomDataOptions {
  // Values the CSV form carries exactly: no nested containers, texts without commas and
  // backslashes and not ending with a quote and a colon, non-empty names without commas, functions in lists
  // and arrays with at least one point, canonical NaNs only.
  bool csvSafe = false;
  // Floats and doubles may be NaN (with random payloads), infinities and -0.0.
  bool specialFloats = false;
  // Longest array extent and deepest nesting.
  size_t maxExtent = 4;
  int maxDepth = 2;
};

class RandomDataGenerator {
 public:
  explicit RandomDataGenerator(uint32_t seed, RandomDataOptions options = RandomDataOptions())
      : random_(seed), options_(options) {}

  // A container with one entry of each listed type (all types by default; nested types
  // are skipped in CSV-safe mode). Nested containers hold a random subset of the types.
  yox::auto_ptr<data::Data> makeData(const std::vector<data::DataType>& types = allDataTypes()) {
    return makeData(types, 0);
  }

  // Appends one entry of the given type under name.
  void appendEntry(data::Data& data, const std::string& name, data::DataType type, int depth = 0) {
    using namespace data;
    if (type == DT_DATA) {
      yox::auto_ptr<Data> nested = makeData(depth + 1);
      data.appendMove(name, nested);
    } else if (type == DT_DISCRETE_FUNCTION) {
      yox::auto_ptr<const DiscreteFunction> function(makeFunction(false).release());
      data.appendMove(name, function);
    } else if (type == DT_DISCRETE_FUNCTION_LIST) {
      yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
      for (int i = uniform(0, 3); i > 0; --i) builder->append(makeFunction(options_.csvSafe));
      data.append(name, *builder->build());
    } else if (type == DT_DISCRETE_FUNCTION_ARRAY) {
      std::vector<yox::auto_ptr<DiscreteFunction>> owned(uniform(0, 3));
      for (auto& function : owned) function = makeFunction(options_.csvSafe);
      data.appendArray(name, pointers(owned).data(), owned.size());
    } else if (DataTypeUtils::getStorageType(type) == ST_SCALAR) {
      withValues(type, [&](auto make) {
        const auto value = make();
        if constexpr (std::is_same_v<decltype(value), const std::string>) {
          data.append(name, value.c_str());
        } else {
          data.append(name, value);
        }
      });
    } else {
      appendArray(data, name, type, depth);
    }
  }

  int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // Text of 7-bit characters, biased towards the characters the formats treat specially.
  std::string randomText() {
    static const char kSpecial[] = ",;:%\"'\n\t []\\-0";
    std::string text;
    for (int n = uniform(0, 8); n > 0; --n) {
      char c =
          uniform(0, 2) == 0 ? kSpecial[uniform(0, sizeof kSpecial - 2)] : static_cast<char>(uniform(1, 127));
      if (options_.csvSafe && (c == ',' || c == '\\')) c = 'x';
      text += c;
    }
    // CSV cannot separate an array element ending with a quote and a colon from the next.
    if (options_.csvSafe && text.size() >= 2 && text.compare(text.size() - 2, 2, "\":") == 0)
      text.back() = 'x';
    return text;
  }

 private:
  // Below the deepest level, only scalars that hold no container.
  yox::auto_ptr<data::Data> makeData(int depth) {
    std::vector<data::DataType> types;
    for (data::DataType type : allDataTypes()) {
      if (depth < options_.maxDepth ||
          (data::DataTypeUtils::getStorageType(type) == data::ST_SCALAR && !isNested(type)))
        types.push_back(type);
    }
    return makeData(types, depth);
  }

  yox::auto_ptr<data::Data> makeData(const std::vector<data::DataType>& types, int depth) {
    yox::auto_ptr<data::Data> data = data::DataFactory::createData();
    for (data::DataType type : types) {
      if (options_.csvSafe && isNested(type)) continue;
      if (depth > 0 && uniform(0, 2) != 0) continue;  // keep nested containers small
      appendEntry(*data, name(type), type, depth);
    }
    return data;
  }

  static bool isNested(data::DataType type) {
    return type == data::DT_DATA || type == data::DT_DATA_ARRAY || type == data::DT_DATA_ARRAY_2D ||
           type == data::DT_DATA_MULTI_ARRAY;
  }

  // The type's canonical name with a random suffix, so names and orders vary.
  std::string name(data::DataType type) {
    std::string result = data::DataTypeUtils::toString(type);
    if (uniform(0, 1) == 0)
      result[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(result[0])));
    return result + std::to_string(uniform(0, 9));
  }

  long randomLong() { return static_cast<long>((static_cast<uint64_t>(random_()) << 32) | random_()); }

  // With special floats, one value in four is a NaN or an infinity of any sign and payload,
  // or -0.0; CSV-safe NaNs are canonical.
  template <class T>
  T randomFloating() {
    const T limit = sizeof(T) == 4 ? T(1e6) : T(1e12);
    if (!options_.specialFloats || uniform(0, 3) != 0)
      return std::uniform_real_distribution<T>(-limit, limit)(random_);
    using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
    const T infinity = std::numeric_limits<T>::infinity();
    Bits exponent;
    std::memcpy(&exponent, &infinity, sizeof exponent);
    const Bits sign = Bits(1) << (8 * sizeof(Bits) - 1), mantissa = ~(sign | exponent);
    Bits bits = exponent | ((sizeof(T) == 4 ? Bits(random_()) : Bits(randomLong())) & (sign | mantissa));
    if (uniform(0, 4) == 0) bits = sign;
    if (options_.csvSafe && (bits & mantissa) != 0) bits = exponent | ((mantissa >> 1) + 1);
    T value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  // Calls f with a maker of values of the element type of type (bool, ..., double, text).
  template <class F>
  void withValues(data::DataType type, F f) {
    const int element = type < data::DT_BOOL_ARRAY ? type : (type - data::DT_BOOL_ARRAY) % 8;
    if (element == 0) return f([&] { return uniform(0, 1) == 1; });
    if (element == 1) return f([&] { return static_cast<signed char>(uniform(-128, 127)); });
    if (element == 2) return f([&] { return static_cast<short>(uniform(-32768, 32767)); });
    if (element == 3) return f([&] { return static_cast<int>(random_()); });
    if (element == 4) return f([&] { return randomLong(); });
    if (element == 5) return f([&] { return randomFloating<float>(); });
    if (element == 6) return f([&] { return randomFloating<double>(); });
    f([&] { return randomText(); });
  }

  yox::auto_ptr<data::DiscreteFunction> makeFunction(bool nonEmpty) {
    const size_t points = static_cast<size_t>(uniform(nonEmpty ? 1 : 0, 4));
    std::vector<double> x(points + 1), y(points + 1);  // never empty: a null array is refused
    double at = std::uniform_real_distribution<double>(-100, 100)(random_);
    for (size_t i = 0; i < points; ++i) {
      at += std::uniform_real_distribution<double>(0.25, 10)(random_);
      x[i] = at;
      y[i] = randomFloating<double>();
    }
    return data::DataFactory::createDiscreteFunction(x.data(), y.data(), points, data::DFSP_COPY);
  }

  std::vector<size_t> shape(data::StorageType storage) {
    if (storage == data::ST_ARRAY)
      return {static_cast<size_t>(uniform(0, static_cast<int>(options_.maxExtent)))};
    if (storage == data::ST_ARRAY_2D)
      return {static_cast<size_t>(uniform(0, 3)), static_cast<size_t>(uniform(0, 3))};
    std::vector<size_t> dims(uniform(0, 3));  // no extents at all holds one element
    for (size_t& d : dims) d = static_cast<size_t>(uniform(uniform(0, 4) == 0 ? 0 : 1, 3));
    return dims;
  }

  // P is the pointer type of the append families (const int*, const char**, ...).
  template <class P>
  static void appendShaped(data::Data& data, const std::string& name, P values,
                           const std::vector<size_t>& dims, data::StorageType storage) {
    if (storage == data::ST_ARRAY) return data.appendArray(name, values, dims[0]);
    if (storage == data::ST_ARRAY_2D) return data.appendArray2D(name, values, dims[0], dims[1]);
    data.appendMultiArray(name, values, dims);
  }

  template <class T>
  static std::vector<const typename T::element_type*> pointers(const std::vector<T>& owned) {
    std::vector<const typename T::element_type*> result;
    for (const T& element : owned) result.push_back(element.get());
    return result;
  }

  void appendArray(data::Data& data, const std::string& name, data::DataType type, int depth) {
    const data::StorageType storage = data::DataTypeUtils::getStorageType(type);
    const std::vector<size_t> dims = shape(storage);
    size_t count = 1;
    for (size_t d : dims) count *= d;
    if (isNested(type)) {
      std::vector<yox::auto_ptr<data::Data>> owned(count);
      for (auto& element : owned) element = makeData(depth + 1);
      return appendShaped(data, name, pointers(owned).data(), dims, storage);
    }
    withValues(type, [&](auto make) {
      using T = decltype(make());
      std::unique_ptr<T[]> values(new T[count == 0 ? 1 : count]);
      for (size_t i = 0; i < count; ++i) values[i] = make();
      if constexpr (std::is_same_v<T, std::string>) {
        std::vector<const char*> texts;
        for (size_t i = 0; i < count; ++i) texts.push_back(values[i].c_str());
        appendShaped(data, name, texts.data(), dims, storage);
      } else {
        appendShaped(data, name, const_cast<const T*>(values.get()), dims, storage);
      }
    });
  }

  std::mt19937 random_;
  RandomDataOptions options_;
};

}  // namespace testing
}  // namespace yox
