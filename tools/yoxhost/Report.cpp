#include "Report.h"

#include <boost/variant/apply_visitor.hpp>
#include <boost/variant/static_visitor.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <sstream>
#include <vector>

namespace yoxhost {

namespace {

// The shortest decimal text that reads back as the same value.
template <class T>
std::string shortest(T value, int maxDigits) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buffer[64];
  // Whole numbers below 2^53 print as integers (10, not 1e+01).
  if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0) {
    std::snprintf(buffer, sizeof buffer, "%.0f", static_cast<double>(value));
    return buffer;
  }
  for (int digits = 1; digits <= maxDigits; ++digits) {
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(value));
    if (static_cast<T>(std::strtod(buffer, nullptr)) == value) break;
  }
  return buffer;
}

// Element texts of a value; JSON-ready when json is set (strings quoted and escaped
// alike in both forms, non-finite numbers as null in JSON).
class ElementTexts : public boost::static_visitor<std::vector<std::string>> {
 public:
  explicit ElementTexts(bool json) : json_(json) {}

  std::vector<std::string> operator()(const std::vector<bool>& values) const {
    std::vector<std::string> texts;
    for (bool v : values) texts.push_back(v ? "true" : "false");
    return texts;
  }
  std::vector<std::string> operator()(const std::vector<char>& values) const {
    std::vector<std::string> texts;
    for (char v : values) texts.push_back(std::to_string(static_cast<int>(static_cast<signed char>(v))));
    return texts;
  }
  std::vector<std::string> operator()(const std::vector<std::string>& values) const {
    std::vector<std::string> texts;
    for (const std::string& v : values) texts.push_back("\"" + jsonEscape(v) + "\"");
    return texts;
  }
  std::vector<std::string> operator()(const std::vector<float>& values) const { return floating(values, 9); }
  std::vector<std::string> operator()(const std::vector<double>& values) const {
    return floating(values, 17);
  }
  template <class T>
  std::vector<std::string> operator()(const std::vector<T>& values) const {
    std::vector<std::string> texts;
    for (T v : values) texts.push_back(std::to_string(v));
    return texts;
  }

 private:
  template <class T>
  std::vector<std::string> floating(const std::vector<T>& values, int digits) const {
    std::vector<std::string> texts;
    for (T v : values) texts.push_back(json_ && !std::isfinite(v) ? "null" : shortest(v, digits));
    return texts;
  }
  bool json_;
};

std::string elements(const VUQ_VARS& value, bool json) {
  const std::vector<std::string> texts = boost::apply_visitor(ElementTexts(json), value.variant);
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + texts[i];
  return out + "]";
}

std::string typeName(const VUQ_VARS& value) {
  // The element type stays with the value even when it is not initialised.
  return VUQ_VARS::getTypeName(static_cast<unsigned>(QIV_LONGLONG + value.variant.which()));
}

std::string isoTime(long long millis) {
  std::string text = formatTime(millis);
  text[10] = 'T';
  return text + "Z";
}

// Strips the source line from a log record "function:line-message".
std::string withoutLine(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return text;
  size_t end = colon + 1;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  if (end == colon + 1 || end >= text.size() || text[end] != '-') return text;
  return text.substr(0, colon) + ":*" + text.substr(end);
}

std::string logText(const LogRecord& record, const ReportOptions& options) {
  return options.sourceLines ? record.text : withoutLine(record.text);
}

const char* logTypeName(int type) {
  switch (type) {
    case 1:
      return "error";
    case 2:
      return "warning";
    case 3:
      return "info";
    default:
      return "other";
  }
}

bool shown(const LogRecord& record, const ReportOptions& options) { return record.type <= options.verbosity; }

// Continuation lines of a multi-line text, indented under its first line.
std::string indented(const std::string& text, const std::string& indent) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\n" + indent;
    } else if (c == '\t') {
      out += "  ";
    } else {
      out += c;
    }
  }
  return out;
}

// ---- text ----

std::string stamp(const TagReport& tag) {
  if (tag.seconds == 0 && tag.millis == 0) return "-";
  return formatTime(tag.seconds * 1000 + tag.millis);
}

std::string tagLabel(const TagReport& tag) {
  std::string label = tag.name;
  for (const std::string& q : tag.qualifiers) label += " " + q;
  return label;
}

void printTags(std::ostream& out, const std::vector<TagReport>& tags, const std::string& indent) {
  std::vector<std::vector<std::string>> rows;
  for (const TagReport& tag : tags) {
    std::string flags;
    if (tag.noData) flags += "noData";
    if (!tag.inResult) flags += std::string(flags.empty() ? "" : ", ") + "in=false";
    if (!tag.rejection.empty()) flags += std::string(flags.empty() ? "" : ", ") + "threw: " + tag.rejection;
    rows.push_back({tag.changed ? "*" : " ", tag.dpeId, tagLabel(tag), formatValue(tag.value),
                    tag.valid ? "valid" : "invalid", stamp(tag), flags});
  }
  std::vector<size_t> widths(7, 0);
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
    std::string line = indent + row[0];
    for (size_t c = 1; c < row.size(); ++c) {
      if (c + 1 == row.size() && row[c].empty()) break;
      line += "  " + row[c] + (c + 1 < row.size() ? std::string(widths[c] - row[c].size(), ' ') : "");
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
}

void printCycle(std::ostream& out, const CycleReport& cycle, const std::string& indent, bool sayAccepted) {
  if (cycle.rejected) {
    out << indent << "REJECTED: " << indented(cycle.rejection, indent + "          ") << "\n";
  } else if (sayAccepted) {
    out << indent << "accepted\n";
  }
  if (!cycle.tags.empty()) printTags(out, cycle.tags, indent + "  ");
  if (!cycle.endRejection.empty()) {
    out << indent << "end threw: " << indented(cycle.endRejection, indent + "           ") << "\n";
  }
}

void printWrite(std::ostream& out, const WriteReport& write) {
  std::vector<TagReport> rows;
  for (const WrittenTag& tag : write.tags) {
    TagReport row;
    row.dpeId = tag.dpeId;
    row.name = tag.name;
    row.value = tag.value;
    row.valid = tag.valid;
    row.inResult = true;
    row.rejection = tag.rejection;
    row.changed = false;
    rows.push_back(row);
  }
  printTags(out, rows, "    ");
  for (const WrittenTag& tag : write.tags) {
    if (!tag.outResult)
      out << "    out refused " << tag.dpeId << ": the device does not get " << tag.name << "\n";
  }
  out << "  sends " << write.device << "/" << write.property << ":\n    " << indented(write.sent, "    ")
      << "\n";
}

std::string answerText(const WatchdogAnswer& answer) {
  if (answer.fired) return "FIRED: " + answer.text;
  return answer.result ? "true" : "false";
}

void printDeliveries(std::ostream& out, const StepReport& step) {
  for (const DeliveryReport& d : step.delivered) {
    out << "  delivered " << d.device << "/" << d.property;
    if (!d.tagNames.empty()) {
      out << " (";
      for (size_t i = 0; i < d.tagNames.size(); ++i) out << (i ? ", " : "") << d.tagNames[i];
      out << ")";
    }
    if (d.matched) {
      out << " -> " << d.cycle.address << " [" << d.cycle.mapper << "]\n";
      printCycle(out, d.cycle, "    ", false);
    } else {
      out << ": no address of the scenario takes it\n";
    }
  }
  for (const InvalidReport& i : step.invalid) {
    out << "  invalid delivery " << i.device << "/" << i.property;
    if (!i.address.empty()) out << " (" << i.address << ")";
    out << "\n";
  }
  if (step.supervisionInitialised > 0)
    out << "  supervision: initSupervision x" << step.supervisionInitialised << "\n";
  if (step.supervisionNotified > 0)
    out << "  supervision: notifySupervision x" << step.supervisionNotified << "\n";
}

void printHead(std::ostream& out, const StepReport& step) {
  std::ostringstream head;
  if (step.number == 0) {
    head << "setup";
  } else {
    head << "step " << step.number << ": " << step.action;
    if (step.action != "watchdog" || step.addresses.size() == 1) {
      for (const std::string& a : step.addresses) head << " " << a;
    }
  }
  out << head.str();
  if (step.line > 0) out << "  (line " << step.line << ")";
  out << "  [" << formatTime(step.clock) << "]\n";
  if (!step.note.empty()) out << "  # " << indented(step.note, "  # ") << "\n";
}

void printText(std::ostream& out, const StepReport& step, const ReportOptions& options) {
  printHead(out, step);
  for (const AddressSetup& s : step.setup) {
    out << "  address " << s.address << ": " << s.device << "/" << s.property << " -> mapper " << s.mapper
        << " (index " << s.index << ")";
    if (s.initialiseRejected) out << "\n    initialise REJECTED: " << indented(s.rejection, "      ");
    out << "\n";
  }
  if (!step.source.empty())
    out << (step.hasWrite ? "  tag values from " : "  received from ") << step.source << "\n";
  if (step.hasCycle) printCycle(out, step.cycle, "  ", true);
  for (const std::string& change : step.changes) out << "  " << change << "\n";
  for (const WatchdogReport& dog : step.watchdogs) {
    out << "  " << dog.address << ":";
    if (dog.pollsWatchdog) out << " watchdog " << answerText(dog.watchdog);
    if (dog.pollsWatchdog && dog.pollsPermanent) out << ",";
    if (dog.pollsPermanent) out << " watchdogPermanent " << answerText(dog.permanent);
    out << "\n";
  }
  if (step.hasWrite) printWrite(out, step.write);
  for (const std::string& call : step.handleCalls) out << "  handle: " << call << "\n";
  if (step.hasSubscription)
    out << "  subscribes with: " << indented(step.subscription, "                   ") << "\n";
  if (step.callRejected) out << "  REJECTED: " << indented(step.callRejection, "            ") << "\n";
  if (step.hasReadResult) out << "  read: " << indented(step.readResult, "        ") << "\n";
  printDeliveries(out, step);
  for (const LogRecord& record : step.log) {
    if (!shown(record, options)) continue;
    const std::string lead = std::string("  log ") + logTypeName(record.type) + ": ";
    out << lead << indented(logText(record, options), std::string(lead.size(), ' ')) << "\n";
  }
  for (const std::string& error : step.errors) out << "  ERROR: " << error << "\n";
  out << "\n";
}

// ---- JSON ----

std::string quoted(const std::string& text) { return "\"" + jsonEscape(text) + "\""; }

std::string stringList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + quoted(items[i]);
  return out + "]";
}

std::string jsonAnswer(const WatchdogAnswer& answer) {
  std::string out = "{\"fired\":" + std::string(answer.fired ? "true" : "false");
  if (answer.fired) {
    out += ",\"text\":" + quoted(answer.text);
  } else {
    out += ",\"result\":" + std::string(answer.result ? "true" : "false");
  }
  return out + "}";
}

std::string jsonTag(const TagReport& tag) {
  std::ostringstream out;
  out << "{\"dpe\":" << quoted(tag.dpeId) << ",\"name\":" << quoted(tag.name)
      << ",\"qualifiers\":" << stringList(tag.qualifiers) << ",\"type\":" << quoted(typeName(tag.value))
      << ",\"initialised\":" << (tag.value.isInitialised() ? "true" : "false")
      << ",\"value\":" << elements(tag.value, true) << ",\"valid\":" << (tag.valid ? "true" : "false")
      << ",\"seconds\":" << tag.seconds << ",\"millis\":" << tag.millis << ",\"time\":"
      << (tag.seconds == 0 && tag.millis == 0 ? std::string("null")
                                              : quoted(isoTime(tag.seconds * 1000 + tag.millis)))
      << ",\"noData\":" << (tag.noData ? "true" : "false") << ",\"in\":" << (tag.inResult ? "true" : "false")
      << (tag.rejection.empty() ? std::string() : ",\"rejection\":" + quoted(tag.rejection))
      << ",\"changed\":" << (tag.changed ? "true" : "false") << "}";
  return out.str();
}

std::string jsonCycle(const CycleReport& cycle) {
  std::string out = "{\"address\":" + quoted(cycle.address) + ",\"mapper\":" + quoted(cycle.mapper) +
                    ",\"rejected\":" + (cycle.rejected ? "true" : "false");
  if (cycle.rejected) out += ",\"rejection\":" + quoted(cycle.rejection);
  out += ",\"tags\":[";
  for (size_t i = 0; i < cycle.tags.size(); ++i) out += (i ? "," : "") + jsonTag(cycle.tags[i]);
  out += "]";
  if (!cycle.endRejection.empty()) out += ",\"endRejection\":" + quoted(cycle.endRejection);
  return out + "}";
}

std::string jsonSetup(const std::vector<AddressSetup>& setup) {
  std::ostringstream out;
  out << "[";
  for (size_t i = 0; i < setup.size(); ++i) {
    const AddressSetup& s = setup[i];
    out << (i ? "," : "") << "{\"address\":" << quoted(s.address) << ",\"device\":" << quoted(s.device)
        << ",\"property\":" << quoted(s.property) << ",\"mapper\":" << quoted(s.mapper)
        << ",\"index\":" << s.index;
    if (s.initialiseRejected) out << ",\"rejection\":" << quoted(s.rejection);
    out << "}";
  }
  return out.str() + "]";
}

std::string jsonWatchdogs(const std::vector<WatchdogReport>& watchdogs) {
  std::string out = "[";
  for (size_t i = 0; i < watchdogs.size(); ++i) {
    const WatchdogReport& dog = watchdogs[i];
    out += (i ? ",{\"address\":" : "{\"address\":") + quoted(dog.address);
    if (dog.pollsWatchdog) out += ",\"watchdog\":" + jsonAnswer(dog.watchdog);
    if (dog.pollsPermanent) out += ",\"watchdogPermanent\":" + jsonAnswer(dog.permanent);
    out += "}";
  }
  return out + "]";
}

std::string jsonWrite(const WriteReport& write) {
  std::ostringstream out;
  out << "{\"device\":" << quoted(write.device) << ",\"property\":" << quoted(write.property)
      << ",\"tags\":[";
  for (size_t i = 0; i < write.tags.size(); ++i) {
    const WrittenTag& tag = write.tags[i];
    out << (i ? "," : "") << "{\"dpe\":" << quoted(tag.dpeId) << ",\"name\":" << quoted(tag.name)
        << ",\"type\":" << quoted(typeName(tag.value)) << ",\"value\":" << elements(tag.value, true)
        << ",\"valid\":" << (tag.valid ? "true" : "false")
        << ",\"out\":" << (tag.outResult ? "true" : "false")
        << (tag.rejection.empty() ? std::string() : ",\"rejection\":" + quoted(tag.rejection)) << "}";
  }
  out << "],\"sent\":" << quoted(write.sent) << "}";
  return out.str();
}

void printJson(std::ostream& out, const StepReport& step, const ReportOptions& options) {
  out << "{\"step\":" << step.number << ",\"action\":" << quoted(step.action);
  if (step.line > 0) out << ",\"line\":" << step.line;
  if (!step.note.empty()) out << ",\"note\":" << quoted(step.note);
  out << ",\"clock\":" << step.clock << ",\"time\":" << quoted(isoTime(step.clock));
  out << ",\"addresses\":" << stringList(step.addresses);
  if (step.number == 0) out << ",\"setup\":" << jsonSetup(step.setup);
  if (!step.source.empty()) out << ",\"source\":" << quoted(step.source);
  if (step.hasCycle) out << ",\"cycle\":" << jsonCycle(step.cycle);
  if (!step.watchdogs.empty()) out << ",\"watchdogs\":" << jsonWatchdogs(step.watchdogs);
  if (!step.handleCalls.empty()) out << ",\"handleCalls\":" << stringList(step.handleCalls);
  if (step.callRejected) out << ",\"rejection\":" << quoted(step.callRejection);
  if (step.hasReadResult) out << ",\"read\":" << quoted(step.readResult);
  if (!step.changes.empty()) out << ",\"changes\":" << stringList(step.changes);
  if (step.hasSubscription) out << ",\"subscription\":" << quoted(step.subscription);
  if (step.hasWrite) out << ",\"write\":" << jsonWrite(step.write);
  out << ",\"delivered\":[";
  for (size_t i = 0; i < step.delivered.size(); ++i) {
    const DeliveryReport& d = step.delivered[i];
    out << (i ? "," : "") << "{\"device\":" << quoted(d.device) << ",\"property\":" << quoted(d.property)
        << ",\"tags\":" << stringList(d.tagNames);
    if (d.matched) out << ",\"cycle\":" << jsonCycle(d.cycle);
    out << "}";
  }
  out << "],\"invalid\":[";
  for (size_t i = 0; i < step.invalid.size(); ++i) {
    const InvalidReport& inv = step.invalid[i];
    out << (i ? "," : "") << "{\"device\":" << quoted(inv.device) << ",\"property\":" << quoted(inv.property);
    if (!inv.address.empty()) out << ",\"address\":" << quoted(inv.address);
    out << "}";
  }
  out << "],\"supervision\":{\"notified\":" << step.supervisionNotified
      << ",\"initialised\":" << step.supervisionInitialised << "}";
  out << ",\"log\":[";
  bool first = true;
  for (const LogRecord& record : step.log) {
    if (!shown(record, options)) continue;
    out << (first ? "" : ",") << "{\"type\":" << record.type << ",\"mask\":" << record.mask
        << ",\"text\":" << quoted(logText(record, options)) << "}";
    first = false;
  }
  out << "],\"errors\":" << stringList(step.errors) << "}\n";
}

}  // namespace

std::string formatTime(long long millis) {
  long long seconds = millis / 1000;
  long long ms = millis % 1000;
  if (ms < 0) {
    ms += 1000;
    --seconds;
  }
  const time_t t = static_cast<time_t>(seconds);
  std::tm tm{};
  char buffer[64];
  if (gmtime_r(&t, &tm) == nullptr || std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &tm) == 0) {
    return std::to_string(millis) + " ms";
  }
  char result[80];
  std::snprintf(result, sizeof result, "%s.%03lld", buffer, ms);
  return result;
}

std::string formatValue(const VUQ_VARS& value) {
  if (!value.isInitialised()) return "(not initialised)";
  return elements(value, false);
}

std::string jsonEscape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20 || c >= 0x7f) {
          // Bytes outside ASCII are escaped one by one: the texts may not be UTF-8.
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

void printStep(std::ostream& out, const StepReport& step, const ReportOptions& options) {
  if (options.json) {
    printJson(out, step, options);
  } else {
    printText(out, step, options);
  }
}

}  // namespace yoxhost
