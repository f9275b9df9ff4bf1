// One update cycle (begin, validate/in per tag, end) of a "timerej" address with 20
// mapped tags, as the host runs it for every received property: accepted (values
// copied and stamped) and rejected (tags frozen). The "default" mapper's cycle is the
// baseline.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "host/HostEnvironment.h"
#include "host/LinkedPlugin.h"
#include "host/StandInDriver.h"
#include "hostapi/apm.h"
#include "plugin/qivlib.h"
#include "support/MapperHarness.h"

namespace {

constexpr long long kStart = 1700000000000LL;
constexpr int kTags = 20;

struct Address {
  explicit Address(const std::string& mapperName) {
    yoxhost::HostEnvironment::instance().reset();
    yoxhost::HostEnvironment::instance().setNow(kStart);
    driver.reset(new yoxhost::StandInDriver(yoxhost::linkedPlugin()));
    qivlib_Init(driver.get());
    driver->filters();
    for (int i = 0; i < kTags; ++i) {
      const std::string tag = "field" + std::to_string(i);
      imapHw2Vuq& record = address.map("dpe" + std::to_string(i), tag, i % 2 ? "3" : "");
      driver->attachConverter(record, "longlong", "acqStamp");
      address.prop.setTag<int>(tag, std::vector<int>(8, i));
    }
    address.prop.setTag<long>("acqStamp", {kStart - 5});
    mapper = driver->createMapper(mapperName, &address.prop);
    stamp = address.prop.tag("acqStamp");
  }
  ~Address() { iDriver = nullptr; }

  void cycle() {
    pmapper<imapHw2Vuq*>& records = address.prop.getMapping();
    try {
      mapper->begin(&address.prop);
    } catch (const ManException&) {
      // rejected: the host goes on, the mapper freezes its tags
    }
    for (size_t i = 0; i < records.size(); ++i) {
      mapper->validate(&address.prop, true, records[i].second);
      benchmark::DoNotOptimize(
          mapper->in(&address.prop, address.targets[records[i].first].get(), records[i].second));
    }
    mapper->end(&address.prop);
  }

  std::unique_ptr<yoxhost::StandInDriver> driver;
  yoxtest::HostAddress address;
  apm* mapper = nullptr;
  qivTag* stamp = nullptr;
};

void BM_TimerejCycleAccepted(benchmark::State& state) {
  Address a("timerej");
  long long now = kStart;
  for (auto _ : state) {
    yoxhost::HostEnvironment::instance().setNow(++now);
    a.stamp->value.setAt<long>(0, now - 5);
    a.cycle();
  }
  state.SetItemsProcessed(state.iterations() * kTags);
}
BENCHMARK(BM_TimerejCycleAccepted);

void BM_TimerejCycleRejected(benchmark::State& state) {
  Address a("timerej");
  a.cycle();  // accepted once; the same stamp is refused from now on
  for (auto _ : state) a.cycle();
  state.SetItemsProcessed(state.iterations() * kTags);
}
BENCHMARK(BM_TimerejCycleRejected);

void BM_DefaultCycle(benchmark::State& state) {
  Address a("default");
  for (auto _ : state) a.cycle();
  state.SetItemsProcessed(state.iterations() * kTags);
}
BENCHMARK(BM_DefaultCycle);

}  // namespace
