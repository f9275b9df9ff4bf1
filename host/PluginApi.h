// The plug-in's entry points as function pointers, either resolved with dlopen and
// dlsym by their mangled names (as the real host does) or taken from a statically
// linked build (LinkedPlugin.h, for tests).
#pragma once

#include <string>

class apm;
class tcm;
class iqivDriver;
class iqivProp;

namespace yoxhost {

struct PluginApi {
  void (*init)(iqivDriver*) = nullptr;
  const char* (*help)() = nullptr;
  const char* (*apmName)(int) = nullptr;
  int (*apmIndex)(const char*) = nullptr;
  void (*apmCreate)(apm*&, int, iqivProp*) = nullptr;
  const char* (*tcmName)(int) = nullptr;
  int (*tcmIndex)(const char*) = nullptr;
  tcm* (*tcmCreate)(int, const char*) = nullptr;
  void (*regApm)(apm*, const char*) = nullptr;
  void (*regTcm)(tcm*, const char*) = nullptr;
  void* handle = nullptr;  // dlopen handle, null when linked

  // dlopens path and resolves every entry point; throws std::runtime_error naming
  // the library or the missing symbol.
  static PluginApi load(const std::string& path);
};

// Mangled names of the entry points, in the order of PluginApi's members.
extern const char* const kEntryPointSymbols[10];

}  // namespace yoxhost
