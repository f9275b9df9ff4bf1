// Encode and decode speed of the three serial forms for a typical device property and
// for one large waveform (a 64 Ki double array), in bytes of message per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "support/SerializerSamples.h"

namespace {

using namespace yox::data;

const DataSerializer& serializer() {
  static const yox::auto_ptr<DataSerializer> instance = DataFactory::createDataSerializer();
  return *instance;
}

yox::auto_ptr<Data> waveform() {
  yox::auto_ptr<Data> data = DataFactory::createData();
  std::vector<double> samples(64 * 1024);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.001 * static_cast<double>(i);
  data->appendArray("samples", samples.data(), samples.size());
  data->append("acqStamp", 1717171717123456789L);
  return data;
}

yox::auto_ptr<Data> make(int which) { return which == 0 ? yox::testing::makeTypicalProperty() : waveform(); }

void BM_BinaryEncode(benchmark::State& state) {
  yox::auto_ptr<Data> data = make(static_cast<int>(state.range(0)));
  size_t bytes = 0;
  for (auto _ : state) {
    yox::auto_ptr<BufferHandler> buffer = serializer().serializeToBinary(*data);
    bytes = buffer->getBufferSize();
    benchmark::DoNotOptimize(buffer->getBufferPointer());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_BinaryDecode(benchmark::State& state) {
  yox::auto_ptr<BufferHandler> message =
      serializer().serializeToBinary(*make(static_cast<int>(state.range(0))));
  const size_t size = message->getBufferSize();
  for (auto _ : state) {
    // The decoder consumes its handler, so each round hands it a fresh copy.
    signed char* copy = new signed char[size];
    std::memcpy(copy, message->getBufferPointer(), size);
    yox::auto_ptr<Data> decoded =
        serializer().deserializeFromBinary(DataFactory::createBufferHandler(copy, size));
    benchmark::DoNotOptimize(decoded.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void BM_StringEncode(benchmark::State& state) {
  yox::auto_ptr<Data> data = make(static_cast<int>(state.range(0)));
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = serializer().serializeToString(*data, ',');
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_StringDecode(benchmark::State& state) {
  const std::string text = serializer().serializeToString(*make(static_cast<int>(state.range(0))), ',');
  for (auto _ : state) {
    yox::auto_ptr<Data> decoded = serializer().deserializeFromString(text, ',');
    benchmark::DoNotOptimize(decoded.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_CsvEncode(benchmark::State& state) {
  yox::auto_ptr<Data> data = make(static_cast<int>(state.range(0)));
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = serializer().serializeToCsv(*data);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_CsvDecode(benchmark::State& state) {
  const std::string text = serializer().serializeToCsv(*make(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    yox::auto_ptr<Data> decoded = serializer().deserializeFromCsv(text.c_str());
    benchmark::DoNotOptimize(decoded.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Argument 0: the typical property; 1: the waveform.
BENCHMARK(BM_BinaryEncode)->Arg(0)->Arg(1);
BENCHMARK(BM_BinaryDecode)->Arg(0)->Arg(1);
BENCHMARK(BM_StringEncode)->Arg(0)->Arg(1);
BENCHMARK(BM_StringDecode)->Arg(0)->Arg(1);
BENCHMARK(BM_CsvEncode)->Arg(0)->Arg(1);
BENCHMARK(BM_CsvDecode)->Arg(0)->Arg(1);

}  // namespace
