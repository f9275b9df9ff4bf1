#include "apm/detail/MapperSupport.h"

#include <string>

#include "base/LogIt.h"

namespace mappers {

void logBanner(const char* function, int line, const char* middle, std::size_t width) {
  if (!LogIt::isLoggable(kLogError, -1)) return;
  const std::string stars(width, '*');
  LogIt(kLogError, -1, function, line).getStream() << stars;
  LogIt(kLogError, -1, function, line).getStream() << middle;
  LogIt(kLogError, -1, function, line).getStream() << stars;
}

}  // namespace mappers
