// Cost of the container on a typical device property of 20 entries: building it, looking
// every entry up by name, hashing and cloning it.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataFactory.h"

using namespace yox::data;

namespace {

const std::vector<std::string>& names() {
  static const std::vector<std::string> kNames = [] {
    std::vector<std::string> n;
    for (int i = 0; i < 20; ++i) n.push_back("field" + std::to_string(i));
    return n;
  }();
  return kNames;
}

const std::vector<double> kWaveform(256, 1.25);
const int kMatrix[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

// 12 scalars, 4 strings, 2 arrays (one of them borrowed) and 2 matrices.
std::unique_ptr<Data> typicalProperty() {
  std::unique_ptr<Data> d(DataFactory::createData().release());
  const std::vector<std::string>& n = names();
  for (int i = 0; i < 6; ++i) d->append(n[i], i);
  for (int i = 6; i < 9; ++i) d->append(n[i], i * 0.5);
  for (int i = 9; i < 12; ++i) d->append(n[i], static_cast<long>(i) << 33);
  for (int i = 12; i < 16; ++i) d->append(n[i], "device/property status text");
  d->appendArray(n[16], kWaveform.data(), kWaveform.size());
  d->appendArrayPtr(n[17], kWaveform.data(), kWaveform.size());
  d->appendArray2D(n[18], kMatrix, 3, 4);
  d->appendArray2D(n[19], kMatrix, 4, 3);
  return d;
}

void BM_AppendTypicalProperty(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(typicalProperty());
}
BENCHMARK(BM_AppendTypicalProperty);

void BM_LookupEveryEntry(benchmark::State& state) {
  const std::unique_ptr<Data> d = typicalProperty();
  for (auto _ : state) {
    for (const std::string& name : names()) benchmark::DoNotOptimize(d->getEntry(name));
  }
}
BENCHMARK(BM_LookupEveryEntry);

void BM_HashTypicalProperty(benchmark::State& state) {
  const std::unique_ptr<Data> d = typicalProperty();
  for (auto _ : state) benchmark::DoNotOptimize(d->hashCode());
}
BENCHMARK(BM_HashTypicalProperty);

void BM_CloneTypicalProperty(benchmark::State& state) {
  const std::unique_ptr<Data> d = typicalProperty();
  for (auto _ : state) benchmark::DoNotOptimize(d->clone());
}
BENCHMARK(BM_CloneTypicalProperty);

}  // namespace
