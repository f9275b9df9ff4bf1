// The stand-in host's process-wide state behind the host functions: a clock that
// tests and scenarios set and advance, the verbosity masks that writeMask answers,
// and a sink that records every log record.
#pragma once

#include <string>
#include <vector>

namespace yoxhost {

struct LogRecord {
  int type;
  long mask;
  std::string text;
};

class HostEnvironment {
 public:
  static HostEnvironment& instance();

  // Clock, in milliseconds since the epoch.
  long long now() const;
  void setNow(long long millis);
  void advance(long long millis);

  // writeMask(mask) answers true for masks in this set.
  void enableMask(long mask, bool on = true);
  bool maskEnabled(long mask) const;

  void record(int type, long mask, const char* text);
  const std::vector<LogRecord>& records() const { return records_; }
  void clearRecords() { records_.clear(); }
  // True when a record's text contains fragment.
  bool logged(const std::string& fragment) const;

  // Back to the clock at 0, no masks, no records.
  void reset();

 private:
  long long now_ = 0;
  std::vector<long> masks_;
  std::vector<LogRecord> records_;
};

}  // namespace yoxhost
