// Input an attacker or a careless integrator would send: each decoder's table of hostile
// inputs, the writers' refusals of what would not read back, independence of the process
// locale, and the memory a decode takes per byte of input. This executable counts every
// allocation (operator new below), so the memory shapes are measured in bytes, not time.
#include <gtest/gtest.h>
#include <malloc.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <locale>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "data/serialization/StringUtils.h"
#include "support/SerializerTestUtils.h"

namespace {

size_t gLive = 0;
size_t gPeak = 0;

void* counted(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  gLive += malloc_usable_size(p);
  if (gLive > gPeak) gPeak = gLive;
  return p;
}

void uncounted(void* p) {
  if (p == nullptr) return;
  gLive -= malloc_usable_size(p);
  std::free(p);
}

}  // namespace

void* operator new(size_t size) { return counted(size); }
void* operator new[](size_t size) { return counted(size); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, size_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t) noexcept { uncounted(p); }

namespace {

using namespace yox::data;
using namespace yox::testing;

// Bytes a decode holds at its peak beyond what was live before it, and what the decoded
// container keeps afterwards.
struct Usage {
  size_t peak = 0;
  size_t kept = 0;
  bool refused = false;
};

Usage measure(const std::function<yox::auto_ptr<Data>()>& decode) {
  Usage usage;
  const size_t before = gLive;
  gPeak = gLive;
  try {
    yox::auto_ptr<Data> data = decode();
    usage.kept = gLive - before;
  } catch (const std::exception&) {
    usage.refused = true;
  }
  usage.peak = gPeak - before;
  return usage;
}

std::string repeat(const std::string& piece, size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) text += piece;
  return text;
}

// The shapes that blew up: a decode costs at most 8 bytes per input byte beyond what the
// decoded container keeps (a refused one, beyond nothing).
TEST(HostileInput, DecodingTakesAtMostEightBytesPerInputByteBeyondWhatItKeeps) {
  constexpr size_t kSize = 1 << 20;
  const DataSerializer& serializer = theSerializer();
  const std::string functions = "f,discreteFunction_list," + repeat("0;0,", kSize / 4);
  const std::string colons = "a,int32_array[1],1" + std::string(kSize, ':');
  const std::string commas = "a,int32,5" + std::string(kSize, ',');
  const std::string ints = "a,int32_array[" + std::to_string(kSize / 2) + "],1" + repeat(":1", kSize / 2 - 1);
  const std::string emptyTexts = "1,a,string_array," + std::to_string(kSize) + std::string(kSize, ',');
  const std::string emptyBlocks = "1,a,data_array," + std::to_string(kSize / 2) + repeat(",0", kSize / 2);
  yox::auto_ptr<Data> element = DataFactory::createData();
  element->append("i", 1);
  std::vector<const Data*> elements(kSize / 16, element.get());
  yox::auto_ptr<Data> holder = DataFactory::createData();
  holder->appendArray("a", elements.data(), elements.size());
  const Bytes binary = encode(*holder);
  holder.reset();

  struct Shape {
    const char* what;
    size_t inputSize;
    std::function<yox::auto_ptr<Data>()> decode;
    bool refused;
  };
  const std::vector<Shape> shapes = {
      {"CSV list of one-point functions", functions.size(),
       [&] { return serializer.deserializeFromCsv(functions.c_str()); }, false},
      {"CSV one-element array and a run of ':'", colons.size(),
       [&] { return serializer.deserializeFromCsv(colons.c_str()); }, true},
      {"CSV line and a run of ','", commas.size(),
       [&] { return serializer.deserializeFromCsv(commas.c_str()); }, false},
      {"CSV int32 array", ints.size(), [&] { return serializer.deserializeFromCsv(ints.c_str()); }, false},
      {"string string_array of empty texts", emptyTexts.size(),
       [&] { return serializer.deserializeFromString(emptyTexts, ','); }, false},
      {"string data_array of empty blocks", emptyBlocks.size(),
       [&] { return serializer.deserializeFromString(emptyBlocks, ','); }, false},
      {"binary Data array of one-entry containers", binary.size(), [&] { return decode(binary); }, false},
  };
  std::printf("%-44s %10s %10s %10s\n", "shape", "input", "transient", "kept");
  for (const Shape& shape : shapes) {
    const Usage usage = measure(shape.decode);
    EXPECT_EQ(usage.refused, shape.refused) << shape.what;
    const size_t transient = usage.peak - usage.kept;
    std::printf("%-44s %10zu %9.1fx %9.1fx\n", shape.what, shape.inputSize,
                static_cast<double>(transient) / shape.inputSize,
                static_cast<double>(usage.kept) / shape.inputSize);
    EXPECT_LE(transient, 8 * shape.inputSize) << shape.what;
  }
  const std::string onePoint = "f,discreteFunction,0;0";
  const Usage function = measure([&] { return serializer.deserializeFromCsv(onePoint.c_str()); });
  const Usage empty = measure([&] { return serializer.deserializeFromCsv("e,int32,0"); });
  std::printf("a decoded one-point function keeps %zu bytes\n", function.kept - empty.kept);
}

}  // namespace
