// The stand-in host's process-wide state behind the host functions: a clock that
// tests set and advance (or that follows the real clock), the verbosity masks that
// writeMask answers, and a sink that records every log record.
#pragma once

#include <functional>
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
  // Follow the system clock (the demo) instead of the set time (tests).
  void followRealClock(bool follow) { followReal_ = follow; }

  // writeMask(mask) answers true for masks in this set.
  void enableMask(long mask, bool on = true);
  bool maskEnabled(long mask) const;

  void record(int type, long mask, const char* text);
  const std::vector<LogRecord>& records() const { return records_; }
  void clearRecords() { records_.clear(); }
  // Also hand every record to this callback (e.g. to print it); empty to stop.
  void setEcho(std::function<void(const LogRecord&)> echo) { echo_ = std::move(echo); }
  // True when a record's text contains fragment.
  bool logged(const std::string& fragment) const;

  // Back to a fixed clock at 0, no masks, no records, no echo.
  void reset();

 private:
  long long now_ = 0;
  bool followReal_ = false;
  std::vector<long> masks_;
  std::vector<LogRecord> records_;
  std::function<void(const LogRecord&)> echo_;
};

}  // namespace yoxhost
