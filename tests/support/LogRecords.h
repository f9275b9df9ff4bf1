// Reading back what the plug-in logged through the stand-in host: records split into
// the function name, the source line and the message that follows "<function>:<line>-".
#pragma once

#include <string>
#include <vector>

#include "host/HostEnvironment.h"

namespace yoxtest {

struct ParsedRecord {
  int type;
  long mask;
  std::string function;
  int line;
  std::string message;
};

// The records logged since the environment was last cleared, parsed. A record that
// does not have the "<function>:<line>-" shape keeps its whole text as the message.
inline std::vector<ParsedRecord> parsedRecords() {
  std::vector<ParsedRecord> parsed;
  for (const yoxhost::LogRecord& record : yoxhost::HostEnvironment::instance().records()) {
    ParsedRecord p{record.type, record.mask, "", -1, record.text};
    const size_t colon = record.text.find(':');
    const size_t dash = colon == std::string::npos ? colon : record.text.find('-', colon);
    if (dash != std::string::npos && dash > colon + 1 &&
        record.text.find_first_not_of("0123456789", colon + 1) == dash) {
      p.function = record.text.substr(0, colon);
      p.line = std::stoi(record.text.substr(colon + 1, dash - colon - 1));
      p.message = record.text.substr(dash + 1);
    }
    parsed.push_back(p);
  }
  return parsed;
}

// The messages logged under function, in order.
inline std::vector<std::string> messagesOf(const std::string& function) {
  std::vector<std::string> messages;
  for (const ParsedRecord& record : parsedRecords()) {
    if (record.function == function) messages.push_back(record.message);
  }
  return messages;
}

// True when a record of type reads "<function>:<line>-<message>" exactly.
inline bool loggedAs(const std::string& function, const std::string& message, int type = 2) {
  for (const ParsedRecord& record : parsedRecords()) {
    if (record.type == type && record.function == function && record.message == message) return true;
  }
  return false;
}
}  // namespace yoxtest
