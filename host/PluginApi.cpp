#include "host/PluginApi.h"

#include <dlfcn.h>

#include <stdexcept>

namespace yoxhost {

const char* const kEntryPointSymbols[10] = {
    "_Z11qivlib_InitP10iqivDriver",   "_Z11qivlib_Helpv",
    "_Z14qivlib_apmInfoi",            "_Z14qivlib_apmInfoPKc",
    "_Z16qivlib_apmCreateRP3apmiP8iqivProp", "_Z14qivlib_tcmInfoi",
    "_Z14qivlib_tcmInfoPKc",          "_Z16qivlib_tcmCreateiPKc",
    "_Z7reg_APMP3apmPKc",             "_Z7reg_TCMP3tcmPKc",
};

namespace {
template <class F>
void resolve(void* handle, const char* symbol, F& target) {
  void* address = dlsym(handle, symbol);
  if (address == nullptr) throw std::runtime_error(std::string("plug-in lacks entry point ") + symbol);
  target = reinterpret_cast<F>(address);
}
}  // namespace

PluginApi PluginApi::load(const std::string& path) {
  PluginApi api;
  api.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (api.handle == nullptr) {
    const char* why = dlerror();
    throw std::runtime_error("cannot load plug-in " + path + ": " + (why ? why : "unknown error"));
  }
  resolve(api.handle, kEntryPointSymbols[0], api.init);
  resolve(api.handle, kEntryPointSymbols[1], api.help);
  resolve(api.handle, kEntryPointSymbols[2], api.apmName);
  resolve(api.handle, kEntryPointSymbols[3], api.apmIndex);
  resolve(api.handle, kEntryPointSymbols[4], api.apmCreate);
  resolve(api.handle, kEntryPointSymbols[5], api.tcmName);
  resolve(api.handle, kEntryPointSymbols[6], api.tcmIndex);
  resolve(api.handle, kEntryPointSymbols[7], api.tcmCreate);
  resolve(api.handle, kEntryPointSymbols[8], api.regApm);
  resolve(api.handle, kEntryPointSymbols[9], api.regTcm);
  return api;
}

}  // namespace yoxhost
