#include "registry/Registry.h"

#include <exception>
#include <string>

#include "hostapi/HostInterface.h"
#include "hostapi/apm.h"
#include "hostapi/tcm.h"

pmapper<apm*> apmHash(true);
pmapper<tcm*> tcmHash(true);
iqivDriver* iDriver = nullptr;

namespace {

template <class T>
const char* nameAt(const pmapper<T*>& registry, int index) {
  return registry.getName(index);  // throws 0 outside the registry
}

}  // namespace

const char* qivlib_Help() {
  static std::string text;
  text = "\nlibYOXClient APM(s):\n";
  for (const auto& entry : apmHash) text += std::string("\t") + entry.first + "\n";
  text += "\nlibYOXClient TCM(s):\n";
  for (const auto& entry : tcmHash) text += std::string("\t") + entry.first + "\n";
  return text.c_str();
}

const char* qivlib_apmInfo(int index) { return nameAt(apmHash, index); }

int qivlib_apmInfo(const char* name) { return apmHash.str_eq(name); }

void qivlib_apmCreate(apm*& mapper, int index, iqivProp* prop) {
  try {
    if (mapper == nullptr) mapper = apmHash.get(index)->dup();
    if (iDriver != nullptr && iDriver->getFilters()) mapper->initialise(prop);
  } catch (const ManException&) {
    throw;
  } catch (const std::exception& e) {
    throw ManException("qivlib_apmCreate: mapper [" + std::to_string(index) +
                       "] failed to initialise: " + e.what());
  } catch (...) {
    throw ManException("qivlib_apmCreate: no mapper can be made or initialised for index [" +
                       std::to_string(index) + "]");
  }
}

const char* qivlib_tcmInfo(int index) { return nameAt(tcmHash, index); }

int qivlib_tcmInfo(const char* name) { return tcmHash.str_eq(name); }

tcm* qivlib_tcmCreate(int index, const char* name) { return tcmHash.get(index)->dup(name); }

void reg_APM(apm* mapper, const char* name) {
  if (mapper == nullptr) return;  // a null prototype could never be cloned
  if (apmHash.str_eq(name) >= 0) {
    delete mapper;
    return;
  }
  apmHash.add(name, mapper);
  mapper->index = static_cast<int>(apmHash.size()) - 1;
}

void reg_TCM(tcm* converter, const char* name) {
  if (converter == nullptr) return;
  if (tcmHash.str_eq(name) >= 0) {
    delete converter;
    return;
  }
  tcmHash.add(name, converter);
}
