// Builds one diagnostic record "<function>:<line>-<message>" and hands it to the
// host's log when it goes out of scope (or at an explicit log(), at most once).
// Callers test isLoggable first so that nothing is formatted for a filtered record;
// YOX_LOG below does both.
#pragma once

#include <sstream>

#include "base/Export.h"
#include "base/HostFunctions.h"

class YOX_EXPORT LogIt {
 public:
  // A null function name leaves the stream failed: the record text is then empty.
  LogIt(const MESS_TYPE& type, const long& verbosity, const char* function, int line);
  virtual ~LogIt();
  LogIt(const LogIt&) = delete;
  LogIt& operator=(const LogIt&) = delete;

  // False for types below 1; true for verbosity -1; otherwise the host's writeMask.
  static bool isLoggable(const MESS_TYPE& type, const long& verbosity);

  std::ostream& getStream() { return stream_; }
  // Emits the record now; later calls (and the destructor) emit nothing more.
  void log();

 private:
  mess mess_;
  std::ostringstream stream_;
  bool emitted_ = false;
};

// Message types of a record.
enum LogType : MESS_TYPE { kLogError = 1, kLogWarning = 2, kLogProgress = 3 };

// Streams one record of type and verbosity mask, stamped with the calling function
// and this line; when the host filters it out, the operands are not even evaluated:
//   YOX_LOG(kLogWarning, -1) << "tag [" << name << "] is missing";
#define YOX_LOG(type, verbosity)                 \
  if (!LogIt::isLoggable((type), (verbosity))) { \
  } else                                         \
    LogIt((type), (verbosity), __FUNCTION__, __LINE__).getStream()

// As YOX_LOG, for a record a helper logs in the name of function, its caller.
#define YOX_LOG_AS(function, type, verbosity)    \
  if (!LogIt::isLoggable((type), (verbosity))) { \
  } else                                         \
    LogIt((type), (verbosity), (function), __LINE__).getStream()
