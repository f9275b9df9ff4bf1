// The console output of Google Benchmark, followed by the comparison as markdown
// tables: medians of the repetitions (or the single run), the ratio of ours to the
// fastest peer, and the heap use of one decoded message.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace peer {

enum Column { kOursBinary, kOursString, kMsgpack, kFlexBuffers, kRapidJson, kColumnCount };

class TableReporter : public benchmark::ConsoleReporter {
 public:
  // A row of the time table; rows print in the order they were added.
  size_t addRow(const std::string& workload, const std::string& op);
  // Where the benchmark of that name shows; one benchmark may fill several cells.
  void place(const std::string& benchmark, size_t row, Column column);
  // The benchmark whose counters fill the heap table for that workload and column.
  void placeHeap(const std::string& benchmark, const std::string& workload, Column column);

  bool ReportContext(const Context& context) override;
  void ReportRuns(const std::vector<Run>& reports) override;
  void Finalize() override;

  // Benchmarks that failed or were skipped with an error.
  const std::vector<std::string>& errors() const { return errors_; }

 private:
  struct Result {
    double nanoseconds = 0;
    benchmark::UserCounters counters;
    long long repetitions = 1;
  };
  struct Row {
    std::string workload;
    std::string op;
    const Result* cells[kColumnCount] = {};
  };
  const Result* result(const std::string& benchmark) const;
  void printTimes(std::ostream& out) const;
  void printHeap(std::ostream& out) const;

  std::vector<Row> rows_;
  std::multimap<std::string, std::pair<size_t, Column>> placement_;
  std::vector<std::string> heapWorkloads_;
  std::map<std::pair<std::string, Column>, std::string> heapPlacement_;
  std::map<std::string, Result> medians_;
  std::map<std::string, Result> singles_;
  std::vector<std::string> errors_;
  std::string loadAtStart_;
};

}  // namespace peer
