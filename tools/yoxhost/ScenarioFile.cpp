#include "ScenarioFile.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "StepKinds.h"
#include "common/Printable.h"
#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "filters/Filters.h"
#include "host/DataToProp.h"
#include "host/StandInProp.h"

namespace yoxhost {

namespace {

// Message files larger than this are refused rather than read into memory.
constexpr std::streamoff kMaxMessageFileBytes = 64LL * 1024 * 1024;

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

// A text quoted back in a message: long ones (a block that lost its indentation, say)
// are cut so that the report stays readable.
std::string shortened(const std::string& text) {
  std::string flat;
  for (char c : text) flat += c == '\n' ? ' ' : c;
  return yoxtools::printable(flat, 60);
}

// Every key a step may have: the kinds' own keys, "note", then the kinds' further keys.
std::vector<std::string> stepKeys() {
  std::vector<std::string> keys;
  for (const StepKindInfo& kind : stepKinds()) {
    if (kind.kind != StepKind::Note) keys.push_back(kind.name);
  }
  keys.push_back("note");
  for (const StepKindInfo& kind : stepKinds()) {
    for (const std::string& key : kind.keys) {
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    }
  }
  return keys;
}

// Parses the whole text as a signed decimal number.
bool parseInteger(const std::string& text, long long& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0') return false;
  out = value;
  return true;
}

// A duration: a number of milliseconds, optionally followed by ms, s, min or h.
bool parseDuration(const std::string& text, long long& millis) {
  size_t digits = 0;
  if (digits < text.size() && (text[digits] == '-' || text[digits] == '+')) ++digits;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  long long number = 0;
  if (!parseInteger(text.substr(0, digits), number)) return false;
  std::string unit = text.substr(digits);
  while (!unit.empty() && unit.front() == ' ') unit.erase(0, 1);
  long long factor = 0;
  if (unit.empty() || unit == "ms") {
    factor = 1;
  } else if (unit == "s") {
    factor = 1000;
  } else if (unit == "min") {
    factor = 60000;
  } else if (unit == "h") {
    factor = 3600000;
  } else {
    return false;
  }
  if (number > LLONG_MAX / factor || number < LLONG_MIN / factor) return false;
  millis = number * factor;
  return true;
}

// A point in time: milliseconds since the epoch, or UTC as YYYY-MM-DDTHH:MM:SS[.mmm]Z.
bool parseInstant(const std::string& text, long long& millis) {
  if (parseInteger(text, millis)) return true;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, consumed = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second,
                  &consumed) != 6) {
    return false;
  }
  std::string rest = text.substr(static_cast<size_t>(consumed));
  // Up to three fractional digits: .5 is 500 ms.
  long long fraction = 0;
  if (!rest.empty() && rest[0] == '.') {
    size_t digits = 1;
    long long scale = 100;
    while (digits < rest.size() && digits <= 3 && std::isdigit(static_cast<unsigned char>(rest[digits]))) {
      fraction += (rest[digits] - '0') * scale;
      scale /= 10;
      ++digits;
    }
    if (digits == 1) return false;
    rest.erase(0, digits);
  }
  if (rest != "Z") return false;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) return false;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  const time_t seconds = timegm(&tm);
  millis = static_cast<long long>(seconds) * 1000 + fraction;
  return true;
}

}  // namespace

// Reads one scenario file; the step readers of the step kind table use its helpers.
class ScenarioReader {
 public:
  ScenarioReader(const std::string& path, const PluginApi& api) : path_(path), api_(api) {
    const size_t slash = path.rfind('/');
    folder_ = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  }

  Scenario read();

  [[noreturn]] void fail(const YAML::Node& at, const std::string& problem) const {
    const int line = at.Mark().line;
    if (line < 0) throw ScenarioError(path_ + ": " + oneLine(problem));
    failAtLine(line + 1, problem);
  }
  [[noreturn]] void failAtLine(int line, const std::string& problem) const {
    throw ScenarioError(path_ + ":" + std::to_string(line) + ": " + oneLine(problem));
  }
  // Reports stay one line even when a library's message spans several, and show no
  // control bytes of the file.
  static std::string oneLine(const std::string& text) {
    std::string line;
    for (char c : text) line += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return yoxtools::printable(line, 2000);
  }
  static int lineOf(const YAML::Node& node) { return node.Mark().line + 1; }

  // The keys of map, each checked against allowed and for repetition.
  void checkKeys(const YAML::Node& map, const std::vector<std::string>& allowed,
                 const std::string& what) const;
  std::string text(const YAML::Node& node, const std::string& what) const;
  std::string requiredText(const YAML::Node& map, const std::string& key, const std::string& what) const;
  std::vector<std::string> texts(const YAML::Node& node, const std::string& what) const;
  bool flag(const YAML::Node& node, const std::string& what) const;

  void readConfig(const YAML::Node& node, Scenario& scenario) const;
  void readFilters(const YAML::Node& node, Scenario& scenario);
  void readAddresses(const YAML::Node& node, Scenario& scenario);
  ScenarioRecord readRecord(const YAML::Node& node, std::set<std::string>& dpeIds) const;
  HandleScript readHandle(const YAML::Node& map) const;
  void readSteps(const YAML::Node& node, Scenario& scenario);
  ScenarioStep readStep(const YAML::Node& node, const Scenario& scenario);
  const StepKindInfo& stepKindOf(const YAML::Node& node) const;
  void checkStepKeys(const YAML::Node& node, const StepKindInfo& kind) const;
  void readTargets(const YAML::Node& value, StepTargets targets, const Scenario& scenario,
                   ScenarioStep& step) const;
  size_t addressIndex(const YAML::Node& node, const Scenario& scenario) const;
  // A filter text that parses; its name becomes known to the addresses read later.
  std::string filterText(const YAML::Node& node);

  // The container written as CSV in node's text, after the clock placeholders are
  // replaced; every problem is reported at the offending line.
  std::shared_ptr<const yox::data::Data> csvData(const YAML::Node& node) const;
  std::string substituteClock(const std::string& text, int line) const;
  std::shared_ptr<const yox::data::Data> fileData(const YAML::Node& step, const YAML::Node& file,
                                                  std::string& source) const;
  void checkTagForm(const YAML::Node& at, const yox::data::Data& data) const;

  std::string path_;
  std::string folder_;
  const PluginApi& api_;
  std::vector<std::string> sourceLines_;
  std::set<std::string> filterNames_;
  long long clock_ = kDefaultScenarioStart;  // the host clock at the step being read
};

struct StepReading {
  ScenarioReader& reader;
  const YAML::Node& node;   // the step
  const YAML::Node& value;  // the value of the kind's own key (undefined for a note)
  const Scenario& scenario;
  ScenarioStep& step;
};

void ScenarioReader::checkKeys(const YAML::Node& map, const std::vector<std::string>& allowed,
                               const std::string& what) const {
  if (!map.IsMap()) fail(map, what + " must be a mapping of keys to values");
  std::set<std::string> seen;
  for (auto it = map.begin(); it != map.end(); ++it) {
    const std::string key = text(it->first, "a key");
    bool known = false;
    for (const std::string& a : allowed) known = known || a == key;
    if (!known)
      fail(it->first,
           "unknown key '" + shortened(key) + "' in " + what + " (expected one of: " + joined(allowed) + ")");
    if (!seen.insert(key).second) fail(it->first, "key '" + shortened(key) + "' appears twice in " + what);
  }
}

std::string ScenarioReader::text(const YAML::Node& node, const std::string& what) const {
  if (!node.IsScalar()) fail(node, what + " must be a single value, not a list or mapping");
  return node.Scalar();
}

std::string ScenarioReader::requiredText(const YAML::Node& map, const std::string& key,
                                         const std::string& what) const {
  const YAML::Node value = map[key];
  if (!value.IsDefined() || value.IsNull()) fail(map, what + " needs '" + key + "'");
  return text(value, "'" + key + "' of " + what);
}

std::vector<std::string> ScenarioReader::texts(const YAML::Node& node, const std::string& what) const {
  std::vector<std::string> values;
  if (node.IsScalar()) {
    values.push_back(node.Scalar());
  } else if (node.IsSequence()) {
    for (const YAML::Node& item : node) values.push_back(text(item, "each entry of " + what));
  } else if (!node.IsNull()) {
    fail(node, what + " must be a value or a list of values");
  }
  return values;
}

bool ScenarioReader::flag(const YAML::Node& node, const std::string& what) const {
  const std::string value = text(node, what);
  if (value == "true" || value == "yes") return true;
  if (value == "false" || value == "no") return false;
  fail(node, what + " must be true or false, not '" + value + "'");
}

Scenario ScenarioReader::read() {
  std::ifstream in(path_, std::ios::binary);
  if (!in) throw ScenarioError(path_ + ": cannot open the scenario file");
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string content = buffer.str();
  {
    std::istringstream lines(content);
    std::string line;
    while (std::getline(lines, line)) sourceLines_.push_back(line);
  }
  YAML::Node root;
  try {
    root = YAML::Load(content);
  } catch (const YAML::Exception& e) {
    if (e.mark.line < 0) throw ScenarioError(path_ + ": " + oneLine(e.msg));
    failAtLine(e.mark.line + 1, e.msg);
  }
  if (!root.IsDefined() || root.IsNull()) throw ScenarioError(path_ + ": the scenario file is empty");

  Scenario scenario;
  scenario.file = path_;
  checkKeys(root, {"title", "clock", "config", "filters", "addresses", "steps"}, "the scenario");
  if (root["title"]) scenario.title = text(root["title"], "'title'");
  scenario.start = kDefaultScenarioStart;
  if (root["clock"]) {
    const std::string start = text(root["clock"], "'clock'");
    if (!parseInstant(start, scenario.start)) {
      fail(root["clock"],
           "'clock' must be milliseconds since the epoch or a UTC time like 2023-11-14T22:13:20Z, not '" +
               shortened(start) + "'");
    }
  }
  clock_ = scenario.start;
  if (root["config"]) readConfig(root["config"], scenario);
  if (root["filters"]) readFilters(root["filters"], scenario);
  if (!root["addresses"]) fail(root, "the scenario needs 'addresses'");
  readAddresses(root["addresses"], scenario);
  if (!root["steps"]) fail(root, "the scenario needs 'steps'");
  readSteps(root["steps"], scenario);
  return scenario;
}

void ScenarioReader::readConfig(const YAML::Node& node, Scenario& scenario) const {
  if (node.IsNull()) return;
  if (!node.IsMap()) fail(node, "'config' must map configuration keys to values");
  std::set<std::string> seen;
  for (auto it = node.begin(); it != node.end(); ++it) {
    const std::string key = text(it->first, "a configuration key");
    if (!seen.insert(key).second) fail(it->first, "configuration key '" + shortened(key) + "' appears twice");
    scenario.config.emplace_back(key, text(it->second, "configuration value of '" + key + "'"));
  }
}

void ScenarioReader::readFilters(const YAML::Node& node, Scenario& scenario) {
  if (node.IsNull()) return;
  if (!node.IsSequence()) fail(node, "'filters' must be a list of filter texts");
  for (const YAML::Node& item : node) scenario.filters.emplace_back(lineOf(item), filterText(item));
}

std::string ScenarioReader::filterText(const YAML::Node& node) {
  const std::string filter = text(node, "a filter");
  try {
    filterNames_.insert(Filters::Filter(filter).getName());
  } catch (const std::exception& e) {
    fail(node, std::string("bad filter: ") + e.what());
  }
  return filter;
}

void ScenarioReader::readAddresses(const YAML::Node& node, Scenario& scenario) {
  if (!node.IsSequence() || node.size() == 0)
    fail(node, "'addresses' must be a list of peripheral addresses");
  std::set<std::string> names;
  for (const YAML::Node& item : node) {
    const std::string what = "a peripheral address";
    checkKeys(item, {"name", "device", "property", "mapper", "filter", "records", "handle"}, what);
    ScenarioAddress address;
    address.line = lineOf(item);
    address.device = requiredText(item, "device", what);
    address.property = requiredText(item, "property", what);
    address.name = item["name"] ? text(item["name"], "'name'") : address.device + "/" + address.property;
    if (address.name == "all") fail(item["name"], "'all' is kept for watchdog steps; choose another name");
    if (!names.insert(address.name).second) {
      fail(item, "two addresses are called '" + shortened(address.name) + "'; give them different names");
    }
    address.mapper = requiredText(item, "mapper", what);
    if (api_.apmIndex(address.mapper.c_str()) < 0) {
      fail(item["mapper"], "no mapper is registered as '" + shortened(address.mapper) +
                               "' (registered: " + joined(registeredNames(api_.apmName)) + ")");
    }
    if (item["filter"] && !item["filter"].IsNull()) {
      address.hasFilter = true;
      address.filter = text(item["filter"], "'filter'");
      if (filterNames_.count(address.filter) == 0) {
        try {
          Filters::Filter filter(address.filter);
        } catch (const std::exception& e) {
          fail(item["filter"], std::string("bad filter: ") + e.what());
        }
      }
    }
    if (item["records"] && !item["records"].IsNull()) {
      const YAML::Node records = item["records"];
      if (!records.IsSequence()) fail(records, "'records' must be a list of mapping records");
      std::set<std::string> dpeIds;
      for (const YAML::Node& record : records) address.records.push_back(readRecord(record, dpeIds));
    }
    if (item["handle"]) address.handle = readHandle(item["handle"]);
    scenario.addresses.push_back(std::move(address));
  }
}

ScenarioRecord ScenarioReader::readRecord(const YAML::Node& node, std::set<std::string>& dpeIds) const {
  const std::string what = "a mapping record";
  checkKeys(node, {"dpe", "tag", "type", "address", "hardware_tag", "qualifiers", "converters"}, what);
  ScenarioRecord record;
  record.line = lineOf(node);
  record.dpeId = requiredText(node, "dpe", what);
  if (!dpeIds.insert(record.dpeId).second)
    fail(node["dpe"], "dpe '" + record.dpeId + "' is mapped twice here");
  record.tag = requiredText(node, "tag", what);
  std::string type = requiredText(node, "type", what);
  for (char& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto known = g_sDataTypeStringsToDataTypeMap.find(type);
  if (known == g_sDataTypeStringsToDataTypeMap.end() || known->second == QIV_UNK) {
    std::vector<std::string> names;
    for (const auto& entry : g_sDataTypeStringsToDataTypeMap) {
      if (entry.second != QIV_UNK) names.push_back(entry.first);
    }
    fail(node["type"], "unknown tag type '" + shortened(node["type"].Scalar()) +
                           "' (expected one of: " + joined(names) + ")");
  }
  record.type = known->second;
  if (node["address"]) record.peripheralAddress = text(node["address"], "'address'");
  record.hardwareTag = node["hardware_tag"] ? text(node["hardware_tag"], "'hardware_tag'") : record.tag;
  if (node["qualifiers"]) record.qualifiers = texts(node["qualifiers"], "'qualifiers'");
  if (node["converters"]) {
    const YAML::Node converters = node["converters"];
    std::vector<std::string> items = texts(converters, "'converters'");
    for (size_t i = 0; i < items.size(); ++i) {
      const YAML::Node at = converters.IsSequence() ? converters[i] : converters;
      const size_t colon = items[i].find(':');
      if (colon == std::string::npos || colon == 0 || colon + 1 == items[i].size()) {
        fail(at, "a converter is written CONVERTER:FIELD (for example longlongnano:aqnUtcTime), not '" +
                     shortened(items[i]) + "'");
      }
      const std::string kind = items[i].substr(0, colon);
      if (api_.tcmIndex(kind.c_str()) < 0) {
        fail(at, "no converter is registered as '" + shortened(kind) +
                     "' (registered: " + joined(registeredNames(api_.tcmName)) + ")");
      }
      record.converters.emplace_back(kind, items[i].substr(colon + 1));
    }
  }
  return record;
}

HandleScript ScenarioReader::readHandle(const YAML::Node& node) const {
  HandleScript handle;
  checkKeys(node, {"answers", "failures"}, "'handle'");
  if (node["answers"] && !node["answers"].IsNull()) {
    const YAML::Node answers = node["answers"];
    if (!answers.IsMap()) fail(answers, "'answers' must map property names to CSV text");
    for (auto it = answers.begin(); it != answers.end(); ++it) {
      const std::string property = text(it->first, "a property name");
      if (handle.answers.count(property))
        fail(it->first, "property '" + shortened(property) + "' is answered twice");
      handle.answers[property] = csvData(it->second);
    }
  }
  if (node["failures"] && !node["failures"].IsNull()) {
    const YAML::Node failures = node["failures"];
    if (!failures.IsMap()) fail(failures, "'failures' must map property names to failure texts");
    for (auto it = failures.begin(); it != failures.end(); ++it) {
      const std::string property = text(it->first, "a property name");
      if (handle.answers.count(property))
        fail(it->first, "property '" + shortened(property) + "' has an answer and a failure");
      handle.failures[property] = text(it->second, "failure text of '" + property + "'");
    }
  }
  return handle;
}

std::string ScenarioReader::substituteClock(const std::string& input, int line) const {
  std::string output;
  size_t at = 0;
  while (true) {
    const size_t open = input.find("${", at);
    if (open == std::string::npos) break;
    output += input.substr(at, open - at);
    const size_t close = input.find('}', open);
    if (close == std::string::npos) failAtLine(line, "'${' without a closing '}'");
    const std::string inside = input.substr(open + 2, close - open - 2);
    // ${now_ms}, ${now_ns}, ${now_s}, each optionally followed by +DURATION or -DURATION.
    size_t sign = inside.find_first_of("+-");
    const std::string unit = inside.substr(0, sign);
    long long offset = 0;
    if (sign != std::string::npos && !parseDuration(inside.substr(sign), offset)) {
      failAtLine(
          line, "bad offset in '${" + shortened(inside) + "}' (write it like ${now_ns-1s} or ${now_ms+250})");
    }
    if (offset > 0 ? clock_ > LLONG_MAX - offset : clock_ < LLONG_MIN - offset)
      failAtLine(line, "'${" + shortened(inside) + "}' overflows");
    const long long when = clock_ + offset;
    if (unit == "now_ms") {
      output += std::to_string(when);
    } else if (unit == "now_ns") {
      if (when > LLONG_MAX / 1000000 || when < LLONG_MIN / 1000000)
        failAtLine(line, "'${" + shortened(inside) + "}' overflows");
      output += std::to_string(when * 1000000);
    } else if (unit == "now_s") {
      output += std::to_string(when / 1000);
    } else {
      failAtLine(
          line, "unknown placeholder '${" + shortened(inside) + "}' (known: ${now_ms}, ${now_ns}, ${now_s})");
    }
    at = close + 1;
  }
  output += input.substr(at);
  return output;
}

std::shared_ptr<const yox::data::Data> ScenarioReader::csvData(const YAML::Node& node) const {
  const std::string raw = text(node, "CSV text");
  // A block scalar (| or >) starts on the line after its indicator.
  int firstLine = lineOf(node);
  const int markLine = node.Mark().line;
  if (markLine >= 0 && static_cast<size_t>(markLine) < sourceLines_.size()) {
    const std::string& source = sourceLines_[static_cast<size_t>(markLine)];
    const size_t column = static_cast<size_t>(node.Mark().column);
    if (column < source.size() && (source[column] == '|' || source[column] == '>')) ++firstLine;
  }
  std::vector<std::string> lines;
  {
    std::istringstream in(raw);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty()) fail(node, "the CSV text is empty: write one line per entry, NAME,TYPE,VALUE");
  std::string csv;
  for (size_t i = 0; i < lines.size(); ++i) {
    lines[i] = substituteClock(lines[i], firstLine + static_cast<int>(i));
    csv += (i ? "\n" : "") + lines[i];
  }
  yox::auto_ptr<yox::data::DataSerializer> serializer = yox::data::DataFactory::createDataSerializer();
  try {
    return std::shared_ptr<const yox::data::Data>(serializer->deserializeFromCsv(csv.c_str()).release());
  } catch (...) {
  }
  // Find the first line that does not read on its own to say where the problem is.
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string problem;
    try {
      serializer->deserializeFromCsv(lines[i].c_str());
      continue;
    } catch (const std::exception& e) {
      problem = e.what();
    } catch (...) {
      problem = "unreadable";
    }
    failAtLine(firstLine + static_cast<int>(i), "bad CSV entry '" + shortened(lines[i]) + "': " + problem);
  }
  fail(node, "the CSV text does not read as one container");
}

std::shared_ptr<const yox::data::Data> ScenarioReader::fileData(const YAML::Node& step,
                                                                const YAML::Node& file,
                                                                std::string& source) const {
  const std::string name = text(file, "'file'");
  source = name;
  const std::string path = !name.empty() && name[0] == '/' ? name : folder_ + name;
  std::string format;
  if (step["format"]) {
    format = text(step["format"], "'format'");
  } else {
    const size_t dot = name.rfind('.');
    format = dot == std::string::npos ? "" : name.substr(dot + 1);
  }
  if (format != "bin" && format != "str" && format != "csv") {
    fail(step["format"] ? step["format"] : file,
         "the message format must be bin, str or csv (from 'format' or the file's extension), not '" +
             shortened(format) + "'");
  }
  char separator = ',';
  if (step["separator"]) {
    const std::string s = text(step["separator"], "'separator'");
    if (s.size() != 1)
      fail(step["separator"], "'separator' must be exactly one character, not '" + shortened(s) + "'");
    separator = s[0];
  }
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) fail(file, "cannot open message file '" + path + "'");
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxMessageFileBytes) fail(file, "message file '" + path + "' is too large");
  in.seekg(0);
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0 && !in.read(&bytes[0], size)) fail(file, "cannot read message file '" + path + "'");

  yox::auto_ptr<yox::data::DataSerializer> serializer = yox::data::DataFactory::createDataSerializer();
  try {
    if (format == "bin") {
      signed char* copy = new signed char[bytes.size() ? bytes.size() : 1];
      std::copy(bytes.begin(), bytes.end(), copy);
      yox::auto_ptr<yox::data::BufferHandler> handler =
          yox::data::DataFactory::createBufferHandler(copy, bytes.size());
      return std::shared_ptr<const yox::data::Data>(serializer->deserializeFromBinary(handler).release());
    }
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
    if (format == "str") {
      return std::shared_ptr<const yox::data::Data>(
          serializer->deserializeFromString(bytes, separator).release());
    }
    return std::shared_ptr<const yox::data::Data>(serializer->deserializeFromCsv(bytes.c_str()).release());
  } catch (const std::exception& e) {
    fail(file, "message file '" + name + "' does not read as " + format + ": " + e.what());
  } catch (...) {
    fail(file, "message file '" + name + "' does not read as " + format);
  }
}

void ScenarioReader::checkTagForm(const YAML::Node& at, const yox::data::Data& data) const {
  StandInProp scratch("", "");
  try {
    addDataTags(data, scratch);
  } catch (const std::exception& e) {
    fail(at, std::string("the property cannot be turned into tags: ") + e.what());
  }
}

size_t ScenarioReader::addressIndex(const YAML::Node& node, const Scenario& scenario) const {
  const std::string name = text(node, "an address name");
  std::vector<std::string> names;
  for (size_t i = 0; i < scenario.addresses.size(); ++i) {
    if (scenario.addresses[i].name == name) return i;
    names.push_back(scenario.addresses[i].name);
  }
  fail(node, "no address is called '" + shortened(name) + "' (addresses: " + joined(names) + ")");
}

void ScenarioReader::readSteps(const YAML::Node& node, Scenario& scenario) {
  if (!node.IsSequence()) fail(node, "'steps' must be a list of steps");
  for (const YAML::Node& item : node) scenario.steps.push_back(readStep(item, scenario));
}

const StepKindInfo& ScenarioReader::stepKindOf(const YAML::Node& node) const {
  const StepKindInfo* kind = &stepKindInfo(StepKind::Note);
  std::vector<std::string> actions;
  for (const StepKindInfo& candidate : stepKinds()) {
    if (candidate.kind == StepKind::Note) continue;
    actions.push_back(candidate.name);
    if (!node[candidate.name]) continue;
    if (kind->kind != StepKind::Note) {
      fail(node[candidate.name], std::string("a step does one thing: it has both '") + kind->name +
                                     "' and '" + candidate.name + "'");
    }
    kind = &candidate;
  }
  if (kind->kind == StepKind::Note && !node["note"])
    fail(node, "a step needs one of: " + joined(actions) + " (or just a 'note')");
  return *kind;
}

void ScenarioReader::checkStepKeys(const YAML::Node& node, const StepKindInfo& kind) const {
  for (auto it = node.begin(); it != node.end(); ++it) {
    const std::string key = it->first.Scalar();
    if (key == kind.name || key == "note") continue;
    if (std::find(kind.keys.begin(), kind.keys.end(), key) == kind.keys.end())
      fail(it->first, "'" + shortened(key) + "' does not belong to a " + kind.name + " step");
  }
}

void ScenarioReader::readTargets(const YAML::Node& value, StepTargets targets, const Scenario& scenario,
                                 ScenarioStep& step) const {
  if (targets == StepTargets::OneAddress) {
    step.addresses.push_back(addressIndex(value, scenario));
  } else if (targets == StepTargets::Addresses) {
    if (value.IsNull() || (value.IsScalar() && value.Scalar() == "all")) {
      for (size_t i = 0; i < scenario.addresses.size(); ++i) step.addresses.push_back(i);
    } else if (value.IsSequence()) {
      for (const YAML::Node& name : value) step.addresses.push_back(addressIndex(name, scenario));
    } else {
      step.addresses.push_back(addressIndex(value, scenario));
    }
  }
}

ScenarioStep ScenarioReader::readStep(const YAML::Node& node, const Scenario& scenario) {
  checkKeys(node, stepKeys(), "a step");
  const StepKindInfo& kind = stepKindOf(node);
  checkStepKeys(node, kind);
  ScenarioStep step;
  step.line = lineOf(node);
  step.kind = kind.kind;
  if (node["note"]) step.note = text(node["note"], "'note'");
  const YAML::Node value = kind.kind == StepKind::Note ? YAML::Node() : node[kind.name];
  readTargets(value, kind.targets, scenario, step);
  StepReading in{*this, node, value, scenario, step};
  kind.read(in);
  return step;
}

// ---- the step readers of the step kind table ----

void readNothing(StepReading&) {}

void readAdvance(StepReading& in) {
  ScenarioReader& r = in.reader;
  const std::string by = r.text(in.value, "'advance'");
  long long& millis = in.step.millis;
  if (!parseDuration(by, millis) || millis < 0) {
    r.fail(in.value,
           "'advance' takes a duration that is not negative, like 500, 500ms, 5s, 2min or 1h, not '" +
               shortened(by) + "'");
  }
  if (r.clock_ > LLONG_MAX - millis)
    r.fail(in.value, "'advance: " + shortened(by) + "' takes the host clock past its largest time");
  r.clock_ += millis;
}

void readClock(StepReading& in) {
  ScenarioReader& r = in.reader;
  const std::string to = r.text(in.value, "'clock'");
  if (!parseInstant(to, in.step.millis)) {
    r.fail(in.value,
           "'clock' must be milliseconds since the epoch or a UTC time like 2023-11-14T22:13:20Z, not '" +
               shortened(to) + "'");
  }
  r.clock_ = in.step.millis;
}

void readUpdate(StepReading& in) {
  ScenarioReader& r = in.reader;
  const YAML::Node& node = in.node;
  if (node["csv"] && node["file"])
    r.fail(node["file"], "an update takes its property from 'csv' or 'file', not both");
  if (node["csv"]) {
    in.step.data = r.csvData(node["csv"]);
    in.step.source = "inline CSV";
    if (node["format"] || node["separator"])
      r.fail(node["format"] ? node["format"] : node["separator"], "'format' and 'separator' go with 'file'");
  } else if (node["file"]) {
    in.step.data = r.fileData(node, node["file"], in.step.source);
  } else {
    r.fail(node, "an update needs the received property: 'csv' (inline CSV text) or 'file' (a message file)");
  }
  r.checkTagForm(node["csv"] ? node["csv"] : node["file"], *in.step.data);
  if (node["stop"]) in.step.stopFlag = r.flag(node["stop"], "'stop'");
}

void readWrite(StepReading& in) {
  ScenarioReader& r = in.reader;
  const YAML::Node csv = in.node["csv"];
  if (!csv)
    r.fail(in.node, "a write needs the host tag values to send: 'csv', one line per tag, NAME,TYPE,VALUE");
  in.step.data = r.csvData(csv);
  in.step.source = "inline CSV";
  r.checkTagForm(csv, *in.step.data);
  const ScenarioAddress& address = in.scenario.addresses.at(in.step.addresses.at(0));
  std::vector<std::string> names;
  for (const ScenarioRecord& record : address.records) names.push_back(record.tag);
  for (const std::string& name : in.step.data->getEntryNames()) {
    bool known = false;
    for (const ScenarioRecord& record : address.records)
      known = known || record.tag == name || record.dpeId == name;
    if (!known) {
      r.fail(csv, "address " + address.name + " has no record with the tag or element '" + shortened(name) +
                      "' (tags: " + joined(names) + ")");
    }
  }
}

void readWatchdog(StepReading& in) {
  if (!in.node["poll"]) return;
  ScenarioReader& r = in.reader;
  const std::string poll = r.text(in.node["poll"], "'poll'");
  if (poll == "both") {
    in.step.poll = WatchdogPoll::Both;
  } else if (poll == "watchdog") {
    in.step.poll = WatchdogPoll::Watchdog;
  } else if (poll == "watchdogPermanent") {
    in.step.poll = WatchdogPoll::Permanent;
  } else {
    r.fail(in.node["poll"], "'poll' is watchdog, watchdogPermanent or both, not '" + shortened(poll) + "'");
  }
}

void readHandleCall(StepReading& in) {
  if (in.node["handle"]) in.step.handle = in.reader.readHandle(in.node["handle"]);
}

void readConfigStep(StepReading& in) {
  ScenarioReader& r = in.reader;
  if (!in.value.IsMap() || in.value.size() == 0)
    r.fail(in.value, "'config' maps configuration keys to values (an empty value removes the key)");
  std::set<std::string> seen;
  for (auto it = in.value.begin(); it != in.value.end(); ++it) {
    const std::string key = r.text(it->first, "a configuration key");
    if (!seen.insert(key).second)
      r.fail(it->first, "configuration key '" + shortened(key) + "' appears twice");
    if (it->second.IsNull()) {
      in.step.unset.push_back(key);
    } else {
      in.step.config.emplace_back(key, r.text(it->second, "configuration value of '" + shortened(key) + "'"));
    }
  }
}

void readFiltersStep(StepReading& in) {
  ScenarioReader& r = in.reader;
  if (!in.value.IsSequence() || in.value.size() == 0)
    r.fail(in.value, "'filters' is a list of filter texts to add or replace");
  for (const YAML::Node& item : in.value) in.step.filters.emplace_back(r.lineOf(item), r.filterText(item));
}

std::vector<std::string> registeredNames(const char* (*nameOf)(int)) {
  std::vector<std::string> names;
  for (int index = 0;; ++index) {
    try {
      names.push_back(nameOf(index));
    } catch (int) {
      break;  // the registry answers an index past its end with the integer 0
    }
  }
  return names;
}

Scenario readScenario(const std::string& path, const PluginApi& api) {
  try {
    return ScenarioReader(path, api).read();
  } catch (const YAML::Exception& e) {
    // Whatever yaml-cpp refuses while the nodes are walked is a problem of the file too.
    std::string message = e.msg;
    for (char& c : message) c = c == '\n' ? ' ' : c;
    if (e.mark.line < 0) throw ScenarioError(path + ": " + message);
    throw ScenarioError(path + ":" + std::to_string(e.mark.line + 1) + ": " + message);
  }
}

}  // namespace yoxhost
