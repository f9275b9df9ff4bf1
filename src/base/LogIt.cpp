#include "base/LogIt.h"

#include <string>

LogIt::LogIt(const MESS_TYPE& type, const long& verbosity, const char* function, int line)
    : mess_{type, verbosity} {
  stream_ << function << ':' << line << '-';
}

LogIt::~LogIt() { log(); }

bool LogIt::isLoggable(const MESS_TYPE& type, const long& verbosity) {
  if (type < 1) return false;
  if (verbosity == -1) return true;
  return writeMask(verbosity);
}

void LogIt::log() {
  if (emitted_) return;
  emitted_ = true;
  stream_.flush();
  const std::string text = stream_.str();
  ::log(mess_, text.c_str());
}
