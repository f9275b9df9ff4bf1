#include "apm/detail/MapperSupport.h"

#include <string>

#include "base/LogIt.h"

namespace mappers {

void logBanner(const char* function, int line, const char* middle, std::size_t width) {
  if (!LogIt::isLoggable(kLogError, -1)) return;
  const std::string stars(width, '*');
  for (const char* text : {stars.c_str(), middle, stars.c_str()}) {
    LogIt(kLogError, -1, function, line).getStream() << text;
  }
}

}  // namespace mappers
