#include "host/HostEnvironment.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/HostFunctions.h"

namespace yoxhost {

HostEnvironment& HostEnvironment::instance() {
  static HostEnvironment environment;
  return environment;
}

long long HostEnvironment::now() const { return now_; }

void HostEnvironment::setNow(long long millis) { now_ = millis; }

void HostEnvironment::advance(long long millis) { now_ += millis; }

void HostEnvironment::enableMask(long mask, bool on) {
  masks_.erase(std::remove(masks_.begin(), masks_.end(), mask), masks_.end());
  if (on) masks_.push_back(mask);
}

bool HostEnvironment::maskEnabled(long mask) const {
  return std::find(masks_.begin(), masks_.end(), mask) != masks_.end();
}

void HostEnvironment::record(int type, long mask, const char* text) {
  records_.push_back(LogRecord{type, mask, text ? text : ""});
}

bool HostEnvironment::logged(const std::string& fragment) const {
  return std::any_of(records_.begin(), records_.end(),
                     [&](const LogRecord& r) { return r.text.find(fragment) != std::string::npos; });
}

void HostEnvironment::reset() {
  now_ = 0;
  masks_.clear();
  records_.clear();
}

}  // namespace yoxhost

// The host functions the plug-in resolves from the process.
void log(const mess& m, const char* text) { yoxhost::HostEnvironment::instance().record(m.type, m.mask, text); }

bool writeMask(long mask) { return yoxhost::HostEnvironment::instance().maskEnabled(mask); }

long long timeLongLong() { return yoxhost::HostEnvironment::instance().now(); }

double timeNow() { return static_cast<double>(yoxhost::HostEnvironment::instance().now()); }

namespace qiv {
// "0x" or "0X" followed by at least one hex digit and nothing else.
bool isHexi(const char* text) {
  if (text == nullptr || std::strlen(text) < 3) return false;
  if (text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
  for (const char* p = text + 2; *p; ++p) {
    if (!std::isxdigit(static_cast<unsigned char>(*p))) return false;
  }
  return true;
}
}  // namespace qiv
