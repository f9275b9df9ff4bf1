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
    const std::string& text = record.text;
    const size_t colon = text.find(':'), digits = text.find_first_not_of("0123456789", colon + 1);
    if (colon != std::string::npos && digits > colon + 1 && digits != std::string::npos &&
        text[digits] == '-') {
      parsed.push_back({record.type, record.mask, text.substr(0, colon),
                        std::stoi(text.substr(colon + 1, digits - colon - 1)), text.substr(digits + 1)});
    } else {
      parsed.push_back({record.type, record.mask, "", -1, text});
    }
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
