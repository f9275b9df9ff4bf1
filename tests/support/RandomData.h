// Seeded random containers over all 39 entry types, for the serializer round-trip
// tests, the benchmarks and the fuzz seed generator. Built only through the public
// interface (DataFactory, Data::append...), so they look like any client's containers.
// The same seed always gives the same container.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
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
    switch (type) {
      case DT_BOOL:
        return data.append(name, uniform(0, 1) == 1);
      case DT_BYTE:
        return data.append(name, static_cast<signed char>(uniform(-128, 127)));
      case DT_SHORT:
        return data.append(name, static_cast<short>(uniform(-32768, 32767)));
      case DT_INT:
        return data.append(name, static_cast<int>(random_()));
      case DT_LONG:
        return data.append(name, randomLong());
      case DT_FLOAT:
        return data.append(name, randomFloat());
      case DT_DOUBLE:
        return data.append(name, randomDouble());
      case DT_STRING:
        return data.append(name, randomText().c_str());
      case DT_DATA: {
        yox::auto_ptr<Data> nested = makeData(depth + 1);
        return data.appendMove(name, nested);
      }
      case DT_DISCRETE_FUNCTION: {
        yox::auto_ptr<const DiscreteFunction> function(makeFunction(false).release());
        return data.appendMove(name, function);
      }
      case DT_DISCRETE_FUNCTION_LIST: {
        yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
        for (int i = uniform(0, 3); i > 0; --i) {
          yox::auto_ptr<const DiscreteFunction> function(makeFunction(options_.csvSafe).release());
          builder->append(function);
        }
        yox::auto_ptr<const DiscreteFunctionList> list(builder->build().release());
        return data.appendMove(name, list);
      }
      case DT_DISCRETE_FUNCTION_ARRAY: {
        std::vector<yox::auto_ptr<DiscreteFunction>> owned(uniform(0, 3));
        std::vector<const DiscreteFunction*> functions;
        for (auto& function : owned) {
          function = makeFunction(options_.csvSafe);
          functions.push_back(function.get());
        }
        return data.appendArray(name, functions.data(), functions.size());
      }
      default:
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
  yox::auto_ptr<data::Data> makeData(int depth) {
    std::vector<data::DataType> scalars;
    for (data::DataType type : allDataTypes()) {
      if (data::DataTypeUtils::getStorageType(type) == data::ST_SCALAR && !isNested(type))
        scalars.push_back(type);
    }
    return makeData(depth < options_.maxDepth ? allDataTypes() : scalars, depth);
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

  float randomFloat() {
    if (options_.specialFloats && uniform(0, 3) == 0) {
      uint32_t bits = 0x7f800000u | (random_() & 0x807fffffu);  // NaN or infinity, any sign
      if (uniform(0, 4) == 0) bits = 0x80000000u;               // -0.0
      if (options_.csvSafe && (bits & 0x007fffffu) != 0) bits = 0x7fc00000u;
      float value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    return std::uniform_real_distribution<float>(-1e6f, 1e6f)(random_);
  }

  double randomDouble() {
    if (options_.specialFloats && uniform(0, 3) == 0) {
      uint64_t bits = 0x7ff0000000000000ull | (static_cast<uint64_t>(randomLong()) & 0x800fffffffffffffull);
      if (uniform(0, 4) == 0) bits = 0x8000000000000000ull;
      if (options_.csvSafe && (bits & 0x000fffffffffffffull) != 0) bits = 0x7ff8000000000000ull;
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    return std::uniform_real_distribution<double>(-1e12, 1e12)(random_);
  }

  yox::auto_ptr<data::DiscreteFunction> makeFunction(bool nonEmpty) {
    const size_t points = static_cast<size_t>(uniform(nonEmpty ? 1 : 0, 4));
    std::vector<double> x(points + 1), y(points + 1);  // never empty: a null array is refused
    double at = std::uniform_real_distribution<double>(-100, 100)(random_);
    for (size_t i = 0; i < points; ++i) {
      at += std::uniform_real_distribution<double>(0.25, 10)(random_);
      x[i] = at;
      y[i] = randomDouble();
    }
    return data::DataFactory::createDiscreteFunction(x.data(), y.data(), points, data::DFSP_COPY);
  }

  std::vector<size_t> shape(data::StorageType storage) {
    const size_t extent = options_.maxExtent;
    if (storage == data::ST_ARRAY) return {static_cast<size_t>(uniform(0, static_cast<int>(extent)))};
    if (storage == data::ST_ARRAY_2D) {
      return {static_cast<size_t>(uniform(0, 3)), static_cast<size_t>(uniform(0, 3))};
    }
    std::vector<size_t> dims(uniform(0, 3));  // no extents at all holds one element
    for (size_t& d : dims) d = static_cast<size_t>(uniform(uniform(0, 4) == 0 ? 0 : 1, 3));
    return dims;
  }

  // P is the pointer type of the append families (const int*, const char**, ...).
  template <class P>
  static void appendShaped(data::Data& data, const std::string& name, P values,
                           const std::vector<size_t>& dims, data::StorageType storage) {
    if (storage == data::ST_ARRAY) {
      data.appendArray(name, values, dims[0]);
    } else if (storage == data::ST_ARRAY_2D) {
      data.appendArray2D(name, values, dims[0], dims[1]);
    } else {
      data.appendMultiArray(name, values, dims);
    }
  }

  template <class T, class Make>
  void appendNumbers(data::Data& data, const std::string& name, const std::vector<size_t>& dims,
                     data::StorageType storage, size_t count, Make make) {
    std::unique_ptr<T[]> values(new T[count == 0 ? 1 : count]);
    for (size_t i = 0; i < count; ++i) values[i] = make();
    appendShaped(data, name, const_cast<const T*>(values.get()), dims, storage);
  }

  void appendArray(data::Data& data, const std::string& name, data::DataType type, int depth) {
    using namespace data;
    const StorageType storage = DataTypeUtils::getStorageType(type);
    const std::vector<size_t> dims = shape(storage);
    size_t count = 1;
    for (size_t d : dims) count *= d;
    if (isNested(type)) {
      std::vector<yox::auto_ptr<Data>> owned(count);
      std::vector<const Data*> elements;
      for (auto& element : owned) {
        element = makeData(depth + 1);
        elements.push_back(element.get());
      }
      appendShaped(data, name, elements.data(), dims, storage);
      return;
    }
    switch ((type - DT_BOOL_ARRAY) % 8) {  // element type of the 1-D, 2-D and N-D families
      case 0:
        return appendNumbers<bool>(data, name, dims, storage, count, [&] { return uniform(0, 1) == 1; });
      case 1:
        return appendNumbers<signed char>(data, name, dims, storage, count,
                                          [&] { return static_cast<signed char>(uniform(-128, 127)); });
      case 2:
        return appendNumbers<short>(data, name, dims, storage, count,
                                    [&] { return static_cast<short>(uniform(-32768, 32767)); });
      case 3:
        return appendNumbers<int>(data, name, dims, storage, count,
                                  [&] { return static_cast<int>(random_()); });
      case 4:
        return appendNumbers<long>(data, name, dims, storage, count, [&] { return randomLong(); });
      case 5:
        return appendNumbers<float>(data, name, dims, storage, count, [&] { return randomFloat(); });
      case 6:
        return appendNumbers<double>(data, name, dims, storage, count, [&] { return randomDouble(); });
      default: {
        std::vector<std::string> texts(count);
        std::vector<const char*> pointers;
        for (std::string& text : texts) {
          text = randomText();
          pointers.push_back(text.c_str());
        }
        appendShaped(data, name, pointers.data(), dims, storage);
      }
    }
  }

  std::mt19937 random_;
  RandomDataOptions options_;
};

}  // namespace testing
}  // namespace yox
