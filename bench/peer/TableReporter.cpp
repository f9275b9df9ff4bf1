#include "TableReporter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace peer {
namespace {

const char* const kColumnNames[kColumnCount] = {"ours (binary)", "ours (string)", "msgpack-cxx",
                                                "FlexBuffers", "RapidJSON"};

bool isOurs(int column) { return column == kOursBinary || column == kOursString; }

std::string threeDigits(double value, const char* unit) {
  char text[32];
  const char* format = value < 10 ? "%.2f %s" : value < 100 ? "%.1f %s" : "%.0f %s";
  std::snprintf(text, sizeof text, format, value, unit);
  return text;
}

std::string duration(double ns) {
  if (ns < 1e3) return threeDigits(ns, "ns");
  if (ns < 1e6) return threeDigits(ns / 1e3, "us");
  if (ns < 1e9) return threeDigits(ns / 1e6, "ms");
  return threeDigits(ns / 1e9, "s");
}

std::string bytes(double count) {
  if (count < 1024) return std::to_string(static_cast<long long>(count + 0.5)) + " B";
  if (count < 1024.0 * 1024) return threeDigits(count / 1024, "KiB");
  return threeDigits(count / (1024.0 * 1024), "MiB");
}

double counter(const benchmark::UserCounters& counters, const char* name) {
  const auto found = counters.find(name);
  return found == counters.end() ? 0 : found->second.value;
}

// The load of the machine: the numbers are worth only as much as its quiet.
std::string loadAverage() {
  double load[3];
  if (getloadavg(load, 3) != 3) return "unknown";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f, %.2f, %.2f", load[0], load[1], load[2]);
  return text;
}

}  // namespace

size_t TableReporter::addRow(const std::string& workload, const std::string& op) {
  rows_.push_back(Row{workload, op, {}});
  return rows_.size() - 1;
}

void TableReporter::place(const std::string& benchmark, size_t row, Column column) {
  placement_.emplace(benchmark, std::make_pair(row, column));
}

void TableReporter::placeHeap(const std::string& benchmark, const std::string& workload, Column column) {
  if (std::find(heapWorkloads_.begin(), heapWorkloads_.end(), workload) == heapWorkloads_.end())
    heapWorkloads_.push_back(workload);
  heapPlacement_[{workload, column}] = benchmark;
}

bool TableReporter::ReportContext(const Context& context) {
  loadAtStart_ = loadAverage();
  return ConsoleReporter::ReportContext(context);
}

void TableReporter::ReportRuns(const std::vector<Run>& reports) {
  ConsoleReporter::ReportRuns(reports);
  for (const Run& run : reports) {
    const std::string& name = run.run_name.function_name;
    if (run.error_occurred) {
      if (std::find(errors_.begin(), errors_.end(), name) == errors_.end()) {
        errors_.push_back(name);
        GetErrorStream() << "peer_bench: " << name << ": " << run.error_message << "\n";
      }
      continue;
    }
    Result result;
    result.nanoseconds = run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    result.counters = run.counters;
    result.repetitions = run.repetitions;
    if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
      medians_[name] = result;
    else if (run.run_type == Run::RT_Iteration)
      singles_[name] = result;
  }
}

const TableReporter::Result* TableReporter::result(const std::string& benchmark) const {
  auto found = medians_.find(benchmark);
  if (found != medians_.end()) return &found->second;
  found = singles_.find(benchmark);
  return found == singles_.end() ? nullptr : &found->second;
}

void TableReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::ostream& out = GetOutputStream();
  printTimes(out);
  printHeap(out);
  out.flush();
}

void TableReporter::printTimes(std::ostream& out) const {
  std::vector<Row> rows = rows_;
  long long repetitions = 0;
  for (const auto& [name, cell] : placement_) {
    const Result* found = result(name);
    if (found == nullptr) continue;
    rows[cell.first].cells[cell.second] = found;
    repetitions = std::max(repetitions, medians_.count(name) ? found->repetitions : 1LL);
  }
  if (repetitions == 0) return;
  out << "\n## Peer comparison: CPU time per operation ("
      << (repetitions > 1 ? "median of " + std::to_string(repetitions) + " repetitions" : "one run")
      << ")\n\nLoad average (1, 5, 15 min) at the start: " << loadAtStart_
      << "; at the end: " << loadAverage() << "; " << benchmark::CPUInfo::Get().num_cpus << " CPUs.\n\n";
  out << "| workload | op |";
  for (const char* column : kColumnNames) out << ' ' << column << " |";
  out << " ours / fastest peer |\n|---|---|";
  for (int i = 0; i <= kColumnCount; ++i) out << "---:|";
  out << "\n";
  for (const Row& row : rows) {
    if (std::none_of(std::begin(row.cells), std::end(row.cells),
                     [](const Result* r) { return r != nullptr; }))
      continue;
    out << "| " << row.workload << " | " << row.op << " |";
    double ours = 0, fastestPeer = 0;
    for (int column = 0; column < kColumnCount; ++column) {
      const Result* cell = row.cells[column];
      out << ' ' << (cell ? duration(cell->nanoseconds) : "") << " |";
      if (cell == nullptr) continue;
      if (isOurs(column))
        ours = cell->nanoseconds;
      else if (fastestPeer == 0 || cell->nanoseconds < fastestPeer)
        fastestPeer = cell->nanoseconds;
    }
    char ratio[32] = "";
    if (ours > 0 && fastestPeer > 0) std::snprintf(ratio, sizeof ratio, "%.2f", ours / fastestPeer);
    out << ' ' << ratio << " |\n";
  }
  out << "\nPeers decode in place from the caller's bytes, so their decode also stands in the row "
         "\"decode beyond the copy\".\n";
}

void TableReporter::printHeap(std::ostream& out) const {
  bool any = false;
  for (const auto& placed : heapPlacement_) any = any || result(placed.second) != nullptr;
  if (!any) return;
  out << "\n## Heap use of one decoded message, beyond the caller's bytes\n\n"
         "allocations, bytes allocated; bytes kept per top-level entry while the decoded message lives\n\n";
  out << "| workload |";
  for (const char* column : kColumnNames) out << ' ' << column << " |";
  out << "\n|---|";
  for (int i = 0; i < kColumnCount; ++i) out << "---:|";
  out << "\n";
  for (const std::string& workload : heapWorkloads_) {
    bool measured = false;
    for (int column = 0; column < kColumnCount; ++column) {
      const auto placed = heapPlacement_.find({workload, static_cast<Column>(column)});
      measured = measured || (placed != heapPlacement_.end() && result(placed->second) != nullptr);
    }
    if (!measured) continue;
    out << "| " << workload << " |";
    for (int column = 0; column < kColumnCount; ++column) {
      const auto placed = heapPlacement_.find({workload, static_cast<Column>(column)});
      const Result* cell = placed == heapPlacement_.end() ? nullptr : result(placed->second);
      if (cell == nullptr) {
        out << " |";
        continue;
      }
      char allocations[32];
      std::snprintf(allocations, sizeof allocations, "%.0f", counter(cell->counters, "allocs"));
      out << ' ' << allocations << ", " << bytes(counter(cell->counters, "alloc_bytes")) << "; "
          << bytes(counter(cell->counters, "kept_per_entry")) << "/entry |";
    }
    out << "\n";
  }
}

}  // namespace peer
