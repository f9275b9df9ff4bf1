// peer_bench: our binary and string formats side by side with msgpack-cxx, FlexBuffers
// and RapidJSON on the same values, in one process. Google Benchmark's flags apply;
// after the usual output it prints the comparison as markdown tables. The exit status
// is 1 when any benchmark failed, e.g. when a format read back other values than were
// encoded.
#include <benchmark/benchmark.h>

#include <exception>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AllocationCounter.h"
#include "Codecs.h"
#include "TableReporter.h"
#include "Workloads.h"

namespace peer {
namespace {

enum class Op { kEncode, kCopy, kDecode, kDecodeBeyondCopy, kDecodeAndRead };

struct Format {
  const char* id;
  Column column;
  bool text;
  std::unique_ptr<Codec> (*make)(const Message&);
};

const std::vector<Format>& formats() {
  static const std::vector<Format> all = {
      {"ours_binary", kOursBinary, false, makeOurBinaryCodec},
#ifdef YOX_PEER_MSGPACK
      {"msgpack", kMsgpack, false, makeMsgpackCodec},
#endif
#ifdef YOX_PEER_FLEXBUFFERS
      {"flexbuffers", kFlexBuffers, false, makeFlexBuffersCodec},
#endif
      {"ours_string", kOursString, true, makeOurStringCodec},
#ifdef YOX_PEER_RAPIDJSON
      {"rapidjson", kRapidJson, true, makeRapidJsonCodec},
#endif
  };
  return all;
}

struct Prepared {
  std::unique_ptr<Codec> codec;
  std::string problem;
};

// One codec per workload and format, made on first use and checked once: what it reads
// back must be what was encoded.
Prepared& prepared(const Workload& workload, const Format& format) {
  static std::map<std::string, Prepared> all;
  Prepared& slot = all[workload.id + "/" + format.id];
  if (slot.codec || !slot.problem.empty()) return slot;
  try {
    const Message& source = message(workload);
    slot.codec = format.make(source);
    slot.problem = slot.codec->problem();
    if (slot.problem.empty()) {
      const Checksum expected = expectedChecksum(source);
      const Checksum got = slot.codec->decodeAndRead();
      if (!(got == expected))
        slot.problem = "read back " + got.toString() + ", encoded " + expected.toString();
    }
  } catch (const std::exception& e) {
    slot.problem = std::string("preparing failed: ") + e.what();
  }
  if (slot.problem.empty()) return slot;
  slot.codec.reset();
  return slot;
}

// Allocations and bytes of one decode that keeps its result, and what the result keeps
// per top-level entry; counted once, outside the timed loop. The decode runs in a thread
// of its own: our library keeps a freed container's memory for the thread's next
// decode, and a fresh thread shows what a decode takes when nothing can be reused.
void countHeap(benchmark::State& state, Codec& codec, size_t entries) {
  HeapCount before;
  HeapCount after;
  std::thread([&] {
    trackLiveBytes(true);
    before = heapCount();
    codec.decodeAndHold();
    after = heapCount();
    codec.releaseHeld();
    trackLiveBytes(false);
  }).join();
  state.counters["allocs"] = static_cast<double>(after.allocations - before.allocations);
  state.counters["alloc_bytes"] = static_cast<double>(after.bytes - before.bytes);
  state.counters["kept_per_entry"] =
      static_cast<double>(after.liveBytes - before.liveBytes) / static_cast<double>(entries);
}

void run(benchmark::State& state, const Workload& workload, const Format& format, Op op) {
  Prepared& ready = prepared(workload, format);
  if (!ready.problem.empty()) {
    state.SkipWithError(ready.problem.c_str());
    return;
  }
  Codec& codec = *ready.codec;
  try {
    switch (op) {
      case Op::kEncode:
        for (auto _ : state) codec.encode();
        break;
      case Op::kCopy:
        for (auto _ : state) codec.copyBytes();
        break;
      case Op::kDecode:
        countHeap(state, codec, message(workload).fields.size());
        for (auto _ : state) codec.decode();
        break;
      case Op::kDecodeBeyondCopy:
        for (auto _ : state) codec.decodeBeyondCopy();
        break;
      case Op::kDecodeAndRead:
        for (auto _ : state) {
          Checksum sum = codec.decodeAndRead();
          benchmark::DoNotOptimize(sum);
        }
        break;
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

constexpr size_t kWarmUpFromBytes = 16 * 1024 * 1024;

struct OpRow {
  Op op;
  const char* id;
  const char* label;
};

void registerAll(TableReporter& table) {
  const std::vector<OpRow> ops = {{Op::kEncode, "encode", "encode"},
                                  {Op::kCopy, "copy", "copy of the received bytes"},
                                  {Op::kDecode, "decode", "decode"},
                                  {Op::kDecodeBeyondCopy, "decode_beyond_copy", "decode beyond the copy"},
                                  {Op::kDecodeAndRead, "decode_read", "decode + read every value"}};
  for (const Workload& workload : workloads()) {
    for (bool text : {false, true}) {
      if (text && !workload.textFormats) continue;
      const std::string group = workload.label + (text ? ", string format" : "");
      const std::string prefix = workload.id + (text ? "_text/" : "/");
      for (const OpRow& row : ops) {
        if (!workload.allOps && row.op != Op::kDecode && row.op != Op::kDecodeBeyondCopy) continue;
        if (text && (row.op == Op::kCopy || row.op == Op::kDecodeBeyondCopy)) continue;
        const size_t tableRow = table.addRow(group, row.label);
        for (const Format& format : formats()) {
          if (format.text != text) continue;
          const bool ours = format.column == kOursBinary;
          if ((row.op == Op::kCopy || row.op == Op::kDecodeBeyondCopy) && !ours) {
            // Peers decode in place: their decode is also their decode beyond the copy.
            if (row.op == Op::kDecodeBeyondCopy)
              table.place(prefix + "decode/" + format.id, tableRow, format.column);
            continue;
          }
          const std::string name = prefix + row.id + "/" + format.id;
          const Workload* w = &workload;
          const Format* f = &format;
          const Op op = row.op;
          benchmark::internal::Benchmark* registered = benchmark::RegisterBenchmark(
              name.c_str(), [w, f, op](benchmark::State& state) { run(state, *w, *f, op); });
          // The first operations on a message this large fault in fresh pages; the run
          // should measure the steady state.
          if (workload.arrayBytes >= kWarmUpFromBytes) registered->MinWarmUpTime(0.5);
          table.place(name, tableRow, format.column);
          if (row.op == Op::kDecode) table.placeHeap(name, group, format.column);
        }
      }
    }
  }
}

}  // namespace
}  // namespace peer

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  peer::TableReporter table;
  peer::registerAll(table);
  benchmark::RunSpecifiedBenchmarks(&table);
  benchmark::Shutdown();
  return table.errors().empty() ? 0 : 1;
}
