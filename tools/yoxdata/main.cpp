// yoxdata: inspect and convert serialized containers (device messages) from the shell.
//
//   yoxdata dump [--from bin|str|csv] [--separator C] [FILE]
//   yoxdata convert --from bin|str|csv --to bin|str|csv [--separator C] [IN] [OUT]
//
// Exit codes: 0 done, 1 bad input (the reason on stderr), 2 wrong usage.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "  yoxdata dump [--from bin|str|csv] [--separator C] [FILE]\n"
    "  yoxdata convert --from bin|str|csv --to bin|str|csv [--separator C] [IN] [OUT]\n"
    "  yoxdata --help\n"
    "\n"
    "dump     prints the text dump of the container held in FILE (binary by default).\n"
    "convert  reads a container in one form and writes it in another.\n"
    "\n"
    "Forms: bin (binary wire format), str (one-line string format), csv.\n"
    "--separator C  the token separator of the string format (default ',').\n"
    "Files default to standard input and output; '-' names them explicitly. Text output\n"
    "ends with a line feed; one trailing line feed (or CR LF) of text input is ignored.\n"
    "\n"
    "Exit codes: 0 done, 1 bad input (the reason on stderr), 2 wrong usage.\n";

enum Format { kBinary, kString, kCsv, kNone };

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
  throw UsageError{"unknown form '" + text + "' (expected bin, str or csv)"};
}

struct Options {
  std::string command;
  Format from = kNone;
  Format to = kNone;
  char separator = ',';
  std::vector<std::string> files;
};

Options parseArguments(int argc, char** argv) {
  Options options;
  if (argc < 2) throw UsageError{"no command given"};
  options.command = argv[1];
  if (options.command != "dump" && options.command != "convert") {
    throw UsageError{"unknown command '" + options.command + "'"};
  }
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--from" || arg == "--to" || arg == "--separator") {
      if (i + 1 >= argc) throw UsageError{arg + " needs a value"};
      const std::string value = argv[++i];
      if (arg == "--from") {
        options.from = parseFormat(value);
      } else if (arg == "--to") {
        options.to = parseFormat(value);
      } else if (value.size() != 1) {
        throw UsageError{"--separator takes exactly one character, not '" + value + "'"};
      } else {
        options.separator = value[0];
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError{"unknown option '" + arg + "'"};
    } else {
      options.files.push_back(arg);
    }
  }
  if (options.command == "dump") {
    if (options.to != kNone) throw UsageError{"dump takes no --to"};
    if (options.from == kNone) options.from = kBinary;
    if (options.files.size() > 1) throw UsageError{"dump reads one file"};
  } else {
    if (options.from == kNone || options.to == kNone) throw UsageError{"convert needs --from and --to"};
    if (options.files.size() > 2) throw UsageError{"convert takes at most IN and OUT"};
  }
  return options;
}

std::string readAll(const std::string& path) {
  const bool useStdin = path.empty() || path == "-";
  FILE* file = useStdin ? stdin : std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw InputError{"cannot open '" + path + "': " + std::strerror(errno)};
  std::string bytes;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  const bool failed = std::ferror(file) != 0;
  if (!useStdin) std::fclose(file);
  if (failed) throw InputError{"cannot read '" + (useStdin ? std::string("-") : path) + "'"};
  return bytes;
}

void writeAll(const std::string& path, const char* bytes, size_t size) {
  const bool useStdout = path.empty() || path == "-";
  FILE* file = useStdout ? stdout : std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw InputError{"cannot open '" + path + "': " + std::strerror(errno)};
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  const bool closed = useStdout ? std::fflush(file) == 0 : std::fclose(file) == 0;
  if (!written || !closed) throw InputError{"cannot write '" + path + "'"};
}

// Text forms are single strings: a NUL would silently cut them short.
std::string asText(std::string bytes) {
  const size_t nul = bytes.find('\0');
  if (nul != std::string::npos) {
    throw InputError{"the input holds a NUL byte at offset " + std::to_string(nul) + ": not a text message"};
  }
  if (!bytes.empty() && bytes.back() == '\n') bytes.pop_back();
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  return bytes;
}

yox::auto_ptr<yox::data::Data> decode(const yox::data::DataSerializer& serializer, Format format,
                                      const std::string& bytes, char separator) {
  switch (format) {
    case kBinary: {
      std::unique_ptr<signed char[]> copy(new signed char[bytes.size()]);
      std::memcpy(copy.get(), bytes.data(), bytes.size());
      yox::auto_ptr<yox::data::BufferHandler> handler =
          yox::data::DataFactory::createBufferHandler(copy.get(), bytes.size());
      copy.release();
      return serializer.deserializeFromBinary(handler);
    }
    case kString:
      return serializer.deserializeFromString(asText(bytes), separator);
    default:
      return serializer.deserializeFromCsv(asText(bytes).c_str());
  }
}

std::string encode(const yox::data::DataSerializer& serializer, Format format, const yox::data::Data& data,
                   char separator) {
  switch (format) {
    case kBinary: {
      yox::auto_ptr<yox::data::BufferHandler> handler = serializer.serializeToBinary(data);
      return std::string(reinterpret_cast<const char*>(handler->getBufferPointer()),
                         handler->getBufferSize());
    }
    case kString:
      return serializer.serializeToString(data, separator) + "\n";
    default:
      return serializer.serializeToCsv(data) + "\n";
  }
}

int run(const Options& options) {
  yox::auto_ptr<yox::data::DataSerializer> serializer = yox::data::DataFactory::createDataSerializer();
  const std::string in = options.files.empty() ? std::string() : options.files[0];
  const std::string bytes = readAll(in);
  yox::auto_ptr<yox::data::Data> data = decode(*serializer, options.from, bytes, options.separator);
  if (options.command == "dump") {
    const std::string text = data->toString() + "\n";
    writeAll("", text.data(), text.size());
  } else {
    const std::string out = encode(*serializer, options.to, *data, options.separator);
    writeAll(options.files.size() > 1 ? options.files[1] : std::string(), out.data(), out.size());
  }
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
  try {
    return run(options);
  } catch (const InputError& error) {
    std::cerr << "yoxdata: " << error.message << "\n";
  } catch (const std::exception& error) {
    std::cerr << "yoxdata: " << error.what() << "\n";
  }
  return 1;
}
