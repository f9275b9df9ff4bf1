// yoxhost: a stand-in host driver that loads libYOXClient.so with dlopen, exactly as
// the real host does, and drives it through scenarios: the tool a control engineer
// uses to see what a mapper makes of a device's data before it goes live.
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "Report.h"
#include "ScenarioFile.h"
#include "ScenarioRunner.h"
#include "common/Printable.h"
#include "host/HostEnvironment.h"
#include "host/PluginApi.h"
#include "host/StandInDriver.h"

namespace {

const char kUsage[] =
    "usage: yoxhost [--plugin PATH] COMMAND [ARGUMENTS]\n"
    "\n"
    "commands:\n"
    "  run SCENARIO [--verbosity N] [--json] [--no-source-lines]\n"
    "            play a scenario file (YAML) and print, step by step, what the plug-in did\n"
    "  demo      explain, then run the protection-system example (examples/scenarios/krt_device.yaml)\n"
    "  help      print the plug-in's help text (qivlib_Help)\n"
    "  registry  look every registered mapper and converter name up both ways\n"
    "\n"
    "options:\n"
    "  --plugin PATH        the plug-in to load (default: the one built with this tool)\n"
    "  --verbosity N        print the plug-in's log records of message type 1..N: 0 none, 1 errors,\n"
    "                       2 also warnings (default), 3 also progress (switches verbosity mask 1 on)\n"
    "  --json               one JSON object per step instead of text\n"
    "  --no-source-lines    print log records without the plug-in's source line numbers\n"
    "\n"
    "exit status: 0 the scenario ran; 1 the plug-in could not be loaded or failed in a way no host\n"
    "expects; 2 bad command line or bad scenario file (reported as FILE:LINE: problem)\n";

const char kDemoIntroduction[] =
    "yoxhost demo: a protection-system device, mapped by libYOXClient\n"
    "\n"
    "yoxhost has loaded libYOXClient.so with dlopen, as the SCADA host driver does, and now plays\n"
    "examples/scenarios/krt_device.yaml on it. The device's \"Supervision\" property is mapped by the\n"
    "\"krt\" mapper; a \"krt.pseudo\" address collects the fault keys of the device's channels.\n"
    "Watch, step by step (the clock is the host's, set by the scenario):\n"
    "  - accepted updates stamp the tags with the device's own gateway and acquisition times;\n"
    "  - a repeated gateway time is REJECTED: the tags freeze, the host gets one invalid delivery,\n"
    "    and the watchdog fires once the rejection lasts longer than cfgKrtWatchdog;\n"
    "  - a newer time recovers the device;\n"
    "  - a status that is not allowed by KRT.ALLOWED_STATES suppresses state and value updates;\n"
    "  - while the device is invalid its fault key reaches the krt.pseudo address.\n"
    "Lines marked * changed in that cycle. Run your own with: yoxhost run SCENARIO (see README.md).\n"
    "\n";

// An installed yoxhost uses the plug-in and examples installed beside it (relative to
// its own folder); one in the build tree those of the build.
std::string installedOr(const char* installed, const char* built) {
  char exe[4096];
  const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) return built;
  std::string path(exe, static_cast<size_t>(length));
  path = path.substr(0, path.rfind('/') + 1) + installed;
  return access(path.c_str(), F_OK) == 0 ? path : built;
}

struct Options {
  std::string plugin = installedOr(YOX_INSTALLED_PLUGIN, YOX_DEFAULT_PLUGIN);
  std::string command;
  std::string scenario;
  yoxhost::ReportOptions report;
};

struct UsageError {
  std::string message;
};

Options parseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const std::string& name) {
      if (i + 1 >= argc) throw UsageError{name + " needs a value"};
      return std::string(argv[++i]);
    };
    if (arg == "--plugin") {
      options.plugin = value(arg);
    } else if (arg == "--verbosity") {
      const std::string level = value(arg);
      if (level.size() != 1 || level[0] < '0' || level[0] > '3') {
        throw UsageError{"--verbosity takes 0, 1, 2 or 3, not '" + yoxtools::printable(level) + "'"};
      }
      options.report.verbosity = level[0] - '0';
    } else if (arg == "--json") {
      options.report.json = true;
    } else if (arg == "--no-source-lines") {
      options.report.sourceLines = false;
    } else if (!arg.empty() && arg[0] == '-') {
      throw UsageError{"unknown option '" + yoxtools::printable(arg) + "'"};
    } else if (options.command.empty()) {
      options.command = arg;
    } else if (options.command == "run" && options.scenario.empty()) {
      options.scenario = arg;
    } else {
      throw UsageError{"unexpected argument '" + yoxtools::printable(arg) + "'"};
    }
  }
  if (options.command.empty()) options.command = "demo";
  if (options.command != "run" && options.command != "demo" && options.command != "help" &&
      options.command != "registry") {
    throw UsageError{"unknown command '" + yoxtools::printable(options.command) + "'"};
  }
  if (options.command == "run" && options.scenario.empty()) throw UsageError{"run needs a scenario file"};
  return options;
}

int listRegistry(const yoxhost::PluginApi& api, std::ostream& out) {
  int problems = 0;
  auto walk = [&](const char* kind, const char* (*nameOf)(int), int (*indexOf)(const char*)) {
    out << kind << " registry:\n";
    const std::vector<std::string> names = yoxhost::registeredNames(nameOf);
    for (int index = 0; index < static_cast<int>(names.size()); ++index) {
      const int back = indexOf(names[index].c_str());
      out << "  [" << index << "] " << names[index] << " -> " << back << (back == index ? "" : "  MISMATCH")
          << "\n";
      if (back != index) ++problems;
    }
  };
  walk("mapper", api.apmName, api.apmIndex);
  walk("converter", api.tcmName, api.tcmIndex);
  return problems;
}

// Reads and plays path; 0 when every step ran as a host expects, 1 otherwise.
// Throws ScenarioError for a bad scenario.
int runScenario(const yoxhost::PluginApi& api, const std::string& path,
                const yoxhost::ReportOptions& options) {
  yoxhost::HostEnvironment& env = yoxhost::HostEnvironment::instance();
  env.reset();
  // Names are checked against the plug-in's registries, which qivlib_Init fills.
  yoxhost::StandInDriver probe(api);
  api.init(&probe);
  const yoxhost::Scenario scenario = yoxhost::readScenario(path, api);

  if (options.verbosity >= 3) env.enableMask(1);
  yoxhost::ScenarioRunner runner(api, scenario);
  bool failed = false;
  yoxhost::StepReport setup = runner.setUp();
  failed = failed || !setup.errors.empty();
  yoxhost::printStep(std::cout, setup, options);
  for (size_t i = 0; i < scenario.steps.size(); ++i) {
    const yoxhost::StepReport step = runner.runStep(i);
    failed = failed || !step.errors.empty();
    yoxhost::printStep(std::cout, step, options);
  }
  std::cout.flush();
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = parseArguments(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "yoxhost: " << e.message << "\n\n" << kUsage;
    return 2;
  }

  yoxhost::PluginApi api;
  try {
    api = yoxhost::PluginApi::load(options.plugin);
  } catch (const std::exception& e) {
    std::cerr << "yoxhost: " << yoxtools::printable(e.what(), 2000, true) << "\n";
    return 1;
  }

  try {
    if (options.command == "help" || options.command == "registry") {
      yoxhost::StandInDriver driver(api);
      api.init(&driver);
      if (options.command == "help") {
        std::cout << api.help();
        return 0;
      }
      std::cout << "Loaded " << options.plugin << " with dlopen and called qivlib_Init.\n";
      return listRegistry(api, std::cout) == 0 ? 0 : 1;
    }
    if (options.command == "demo") {
      std::cout << kDemoIntroduction;
      return runScenario(api, installedOr(YOX_INSTALLED_EXAMPLES, YOX_EXAMPLES_DIR) + "/krt_device.yaml",
                         options.report);
    }
    return runScenario(api, options.scenario, options.report);
  } catch (const yoxhost::ScenarioError& e) {
    std::cout.flush();
    std::cerr << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "yoxhost: " << yoxtools::printable(e.what(), 2000, true) << "\n";
    return 1;
  } catch (...) {
    std::cerr << "yoxhost: the plug-in failed with an exception of unknown type\n";
    return 1;
  }
}
