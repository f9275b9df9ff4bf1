// Functions the host process provides. The plug-in leaves them undefined; the
// dynamic linker resolves them from the host when the library is loaded.
#pragma once

typedef int MESS_TYPE;

// One log record's classification: message type (1 errors, 2 warnings, 3 progress)
// and verbosity mask (-1 = always).
struct mess {
  MESS_TYPE type;
  long mask;
};

// Writes one finished record.
void log(const mess& m, const char* text);
// Whether the host has the given verbosity mask switched on.
bool writeMask(long mask);
// Host time: milliseconds since the epoch.
long long timeLongLong();
// Host time as a double (milliseconds since the epoch in the stand-in host).
double timeNow();

namespace qiv {
// Whether the host reads this qualifier text as hexadecimal.
bool isHexi(const char* text);
}  // namespace qiv
