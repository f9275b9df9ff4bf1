// yoxhost: a stand-in host driver that loads libYOXClient.so with dlopen, exactly as
// the real host does, and drives it.
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "host/HostEnvironment.h"
#include "host/PluginApi.h"
#include "host/StandInDriver.h"

namespace {

const char kUsage[] =
    "usage: yoxhost [--plugin PATH] COMMAND\n"
    "\n"
    "commands:\n"
    "  demo    load the plug-in, print its help text and look every registered name up both ways\n"
    "  help    print the plug-in's help text (qivlib_Help)\n"
    "\n"
    "options:\n"
    "  --plugin PATH   the plug-in to load (default: the one built with this tool)\n";

int listRegistry(const yoxhost::PluginApi& api, std::ostream& out) {
  int problems = 0;
  auto walk = [&](const char* kind, const char* (*nameOf)(int), int (*indexOf)(const char*)) {
    out << kind << " registry:\n";
    for (int index = 0;; ++index) {
      const char* name = nullptr;
      try {
        name = nameOf(index);
      } catch (int) {
        break;  // the registry answers an index past its end with the integer 0
      }
      const int back = indexOf(name);
      out << "  [" << index << "] " << name << " -> " << back << (back == index ? "" : "  MISMATCH") << "\n";
      if (back != index) ++problems;
    }
  };
  walk("mapper", api.apmName, api.apmIndex);
  walk("converter", api.tcmName, api.tcmIndex);
  return problems;
}

}  // namespace

int main(int argc, char** argv) {
  std::string pluginPath = YOX_DEFAULT_PLUGIN;
  std::string command;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--plugin" && i + 1 < argc) {
      pluginPath = argv[++i];
    } else if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (command.empty() && arg[0] != '-') {
      command = arg;
    } else {
      std::cerr << "yoxhost: unexpected argument '" << arg << "'\n" << kUsage;
      return 2;
    }
  }
  if (command.empty()) command = "demo";
  if (command != "demo" && command != "help") {
    std::cerr << "yoxhost: unknown command '" << command << "'\n" << kUsage;
    return 2;
  }

  try {
    yoxhost::HostEnvironment::instance().followRealClock(true);
    const yoxhost::PluginApi api = yoxhost::PluginApi::load(pluginPath);
    yoxhost::StandInDriver driver(api);
    api.init(&driver);
    if (command == "help") {
      std::cout << api.help();
      return 0;
    }
    std::cout << "Loaded " << pluginPath << " with dlopen and called qivlib_Init.\n"
              << "qivlib_Help() says:" << api.help() << "\n";
    return listRegistry(api, std::cout) == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "yoxhost: " << e.what() << "\n";
    return 1;
  }
}
