// yoxdata: inspect, compare and convert serialized containers (device messages) from
// the shell.
//
//   yoxdata dump [--from FORM] [--separator C] [--limit N] [--json] [FILE]
//   yoxdata convert --from FORM --to FORM [--separator C] [IN] [OUT]
//   yoxdata diff [--from FORM] [--separator C] A B
//
// Exit codes: 0 done (diff: equal), 1 bad input (diff: different), 2 wrong usage
// (diff: also bad input).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "JsonForm.h"
#include "common/Printable.h"
#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "data/DataType.h"
#include "data/Entry.h"

namespace {

using yoxtools::printable;

const char kUsage[] =
    "Usage:\n"
    "  yoxdata dump [--from bin|str|csv|json] [--separator C] [--limit N] [--json] [FILE]\n"
    "  yoxdata convert --from bin|str|csv|json --to bin|str|csv|json [--separator C] [IN] [OUT]\n"
    "  yoxdata diff [--from bin|str|csv|json] [--separator C] A B\n"
    "  yoxdata --help\n"
    "\n"
    "dump     prints the text dump of the container held in FILE (binary by default);\n"
    "         --limit N prints at most N elements of each array, --json the JSON form.\n"
    "convert  reads a container in one form and writes it in another.\n"
    "diff     compares two containers in any two forms (each file's form comes from its\n"
    "         extension .bin, .str, .csv or .json unless --from is given) and prints the\n"
    "         first entry that differs, with both values.\n"
    "\n"
    "Forms: bin (binary wire format), str (one-line string format), csv, json (the JSON\n"
    "form described in README.md).\n"
    "--separator C  the token separator of the string format (default ',').\n"
    "Files default to standard input and output; '-' names them explicitly. Text output\n"
    "ends with a line feed; one trailing line feed (or CR LF) of text input is ignored.\n"
    "\n"
    "Exit codes: 0 done, 1 bad input (the reason on stderr), 2 wrong usage.\n"
    "diff: 0 equal, 1 different, 2 wrong usage or bad input.\n";

enum Format { kBinary, kString, kCsv, kJson, kNone };

struct UsageError {
  std::string message;
};

struct InputError {
  std::string message;
};

Format parseFormat(const std::string& text) {
  if (text == "bin") return kBinary;
  if (text == "str") return kString;
  if (text == "csv") return kCsv;
  if (text == "json") return kJson;
  throw UsageError{"unknown form '" + printable(text) + "' (expected bin, str, csv or json)"};
}

const char* formName(Format format) {
  switch (format) {
    case kBinary:
      return "binary";
    case kString:
      return "string-format";
    case kCsv:
      return "CSV";
    default:
      return "JSON";
  }
}

struct Options {
  std::string command;
  Format from = kNone;
  Format to = kNone;
  char separator = ',';
  bool hasLimit = false;
  size_t limit = 0;
  bool json = false;
  std::vector<std::string> files;
};

size_t parseLimit(const std::string& text) {
  size_t used = 0;
  unsigned long long value = 0;
  try {
    if (!text.empty() && text[0] != '-' && text[0] != '+') value = std::stoull(text, &used, 10);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size())
    throw UsageError{"--limit takes a number of elements, not '" + printable(text) + "'"};
  return static_cast<size_t>(value);
}

void readOption(Options& options, const std::string& arg, const std::string& value) {
  if (arg == "--from") {
    options.from = parseFormat(value);
  } else if (arg == "--to") {
    options.to = parseFormat(value);
  } else if (arg == "--limit") {
    options.hasLimit = true;
    options.limit = parseLimit(value);
  } else if (value.size() != 1) {
    throw UsageError{"--separator takes exactly one character, not '" + printable(value) + "'"};
  } else {
    options.separator = value[0];
  }
}

void checkOptions(const Options& options) {
  const std::string& command = options.command;
  if (command != "dump" && (options.hasLimit || options.json))
    throw UsageError{command + " takes no --limit or --json"};
  if (command == "dump") {
    if (options.to != kNone) throw UsageError{"dump takes no --to"};
    if (options.files.size() > 1) throw UsageError{"dump reads one file"};
  } else if (command == "convert") {
    if (options.from == kNone || options.to == kNone) throw UsageError{"convert needs --from and --to"};
    if (options.files.size() > 2) throw UsageError{"convert takes at most IN and OUT"};
  } else {
    if (options.to != kNone) throw UsageError{"diff takes no --to"};
    if (options.files.size() != 2) throw UsageError{"diff compares two files, A and B"};
  }
}

Options parseArguments(int argc, char** argv) {
  Options options;
  if (argc < 2) throw UsageError{"no command given"};
  options.command = argv[1];
  if (options.command != "dump" && options.command != "convert" && options.command != "diff") {
    throw UsageError{"unknown command '" + printable(options.command) + "'"};
  }
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--from" || arg == "--to" || arg == "--separator" || arg == "--limit") {
      if (i + 1 >= argc) throw UsageError{arg + " needs a value"};
      readOption(options, arg, argv[++i]);
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError{"unknown option '" + printable(arg) + "'"};
    } else {
      options.files.push_back(arg);
    }
  }
  checkOptions(options);
  if (options.command == "dump" && options.from == kNone) options.from = kBinary;
  return options;
}

bool isStdStream(const std::string& path) { return path.empty() || path == "-"; }

// How messages name a file: its path, or <stdin> / <stdout>.
std::string label(const std::string& path, const char* stream) {
  return isStdStream(path) ? std::string(stream) : printable(path);
}

std::string readAll(const std::string& path) {
  FILE* file = isStdStream(path) ? stdin : std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw InputError{label(path, "<stdin>") + ": cannot open: " + std::strerror(errno)};
  std::string bytes;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  const bool failed = std::ferror(file) != 0;
  if (!isStdStream(path)) std::fclose(file);
  if (failed) throw InputError{label(path, "<stdin>") + ": cannot read"};
  return bytes;
}

void writeAll(const std::string& path, const std::string& bytes) {
  FILE* file = isStdStream(path) ? stdout : std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw InputError{label(path, "<stdout>") + ": cannot open: " + std::strerror(errno)};
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = isStdStream(path) ? std::fflush(file) == 0 : std::fclose(file) == 0;
  if (!written || !closed) throw InputError{label(path, "<stdout>") + ": cannot write"};
}

// Text forms are single strings: a NUL would silently cut them short.
std::string asText(std::string bytes) {
  const size_t nul = bytes.find('\0');
  if (nul != std::string::npos) {
    throw std::runtime_error("the input holds a NUL byte at offset " + std::to_string(nul) +
                             ": not a text message");
  }
  if (!bytes.empty() && bytes.back() == '\n') bytes.pop_back();
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  return bytes;
}

yox::auto_ptr<yox::data::Data> decodeForm(const yox::data::DataSerializer& serializer, Format format,
                                          const std::string& bytes, char separator) {
  switch (format) {
    case kBinary: {
      std::unique_ptr<signed char[]> copy(new signed char[bytes.size() ? bytes.size() : 1]);
      std::memcpy(copy.get(), bytes.data(), bytes.size());
      yox::auto_ptr<yox::data::BufferHandler> handler =
          yox::data::DataFactory::createBufferHandler(copy.get(), bytes.size());
      copy.release();
      return serializer.deserializeFromBinary(handler);
    }
    case kString:
      return serializer.deserializeFromString(asText(bytes), separator);
    case kJson:
      return yoxdata::fromJson(bytes);
    default:
      return serializer.deserializeFromCsv(asText(bytes).c_str());
  }
}

// Reads path in format; a refusal names the input and the form before the reader's
// own text.
yox::auto_ptr<yox::data::Data> load(const std::string& path, Format format, char separator) {
  const std::string bytes = readAll(path);
  yox::auto_ptr<yox::data::DataSerializer> serializer = yox::data::DataFactory::createDataSerializer();
  try {
    return decodeForm(*serializer, format, bytes, separator);
  } catch (const std::exception& e) {
    throw InputError{label(path, "<stdin>") + ": not a valid " + formName(format) +
                     " message: " + printable(e.what(), 2000, true)};
  }
}

std::string encode(Format format, const yox::data::Data& data, char separator) {
  yox::auto_ptr<yox::data::DataSerializer> serializer = yox::data::DataFactory::createDataSerializer();
  try {
    switch (format) {
      case kBinary: {
        yox::auto_ptr<yox::data::BufferHandler> handler = serializer->serializeToBinary(data);
        return std::string(reinterpret_cast<const char*>(handler->getBufferPointer()),
                           handler->getBufferSize());
      }
      case kString:
        return serializer->serializeToString(data, separator) + "\n";
      case kJson:
        return yoxdata::toJson(data, -1) + "\n";
      default:
        return serializer->serializeToCsv(data) + "\n";
    }
  } catch (const std::exception& e) {
    throw InputError{std::string("cannot write the container as ") + formName(format) + ": " +
                     printable(e.what(), 2000, true)};
  }
}

// The form of a file compared by diff: --from, else its extension, else binary.
Format formOf(const std::string& path, Format given) {
  if (given != kNone) return given;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return kBinary;
  const std::string extension = path.substr(dot + 1);
  if (extension == "str") return kString;
  if (extension == "csv") return kCsv;
  if (extension == "json") return kJson;
  return kBinary;
}

std::string entryText(const yox::data::Entry* entry) {
  if (entry == nullptr) return "(no such entry)";
  constexpr size_t kElements = 10;
  return yox::data::DataTypeUtils::toString(entry->getType()) + " " +
         printable(entry->getValueAsString(kElements), 200);
}

// 0 when equal; otherwise prints the first entry (in name order) that differs.
int compare(const Options& options) {
  const std::string& a = options.files[0];
  const std::string& b = options.files[1];
  yox::auto_ptr<yox::data::Data> left = load(a, formOf(a, options.from), options.separator);
  yox::auto_ptr<yox::data::Data> right = load(b, formOf(b, options.from), options.separator);
  const std::vector<const yox::data::Entry*> l = left->getEntries();
  const std::vector<const yox::data::Entry*> r = right->getEntries();
  size_t i = 0, j = 0;
  while (i < l.size() || j < r.size()) {
    const int order = i == l.size()   ? 1
                      : j == r.size() ? -1
                                      : std::string(l[i]->getName()).compare(r[j]->getName());
    const yox::data::Entry* x = order <= 0 ? l[i] : nullptr;
    const yox::data::Entry* y = order >= 0 ? r[j] : nullptr;
    if (x == nullptr || y == nullptr || *x != *y) {
      std::cout << "first difference: entry '" << printable((x ? x : y)->getName()) << "'\n"
                << "  " << label(a, "<stdin>") << ": " << entryText(x) << "\n"
                << "  " << label(b, "<stdin>") << ": " << entryText(y) << "\n";
      return 1;
    }
    ++i;
    ++j;
  }
  return 0;
}

int run(const Options& options) {
  if (options.command == "diff") return compare(options);
  const std::string in = options.files.empty() ? std::string() : options.files[0];
  yox::auto_ptr<yox::data::Data> data = load(in, options.from, options.separator);
  if (options.command == "dump") {
    if (options.json) {
      writeAll("", yoxdata::toJson(*data, 2) + "\n");
    } else {
      writeAll("", (options.hasLimit ? data->toString(options.limit) : data->toString()) + "\n");
    }
    return 0;
  }
  writeAll(options.files.size() > 1 ? options.files[1] : std::string(),
           encode(options.to, *data, options.separator));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << kUsage;
    return 0;
  }
  Options options;
  try {
    options = parseArguments(argc, argv);
  } catch (const UsageError& error) {
    std::cerr << "yoxdata: " << error.message << "\n\n" << kUsage;
    return 2;
  }
  const int troubled = options.command == "diff" ? 2 : 1;
  try {
    return run(options);
  } catch (const InputError& error) {
    std::cerr << "yoxdata: " << error.message << "\n";
  } catch (const std::exception& error) {
    std::cerr << "yoxdata: " << printable(error.what(), 2000, true) << "\n";
  }
  return troubled;
}
