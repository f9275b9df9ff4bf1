#include "plugin/qivlib.h"

#include <exception>
#include <string>

#include "apm/apm.h"
#include "apm/apmDefault.h"
#include "apm/apmKrt.h"
#include "apm/apmKrtCompanions.h"
#include "apm/apmPlw.h"
#include "apm/apmPseudoDev.h"
#include "apm/apmTimerej.h"
#include "apm/apmXdArray.h"
#include "plugin/HostInterface.h"
#include "tcm/tcm.h"
#include "tcm/tcmDouble.h"
#include "tcm/tcmLongLong.h"
#include "tcm/tcmLongLongNano.h"

pmapper<apm*> apmHash(true);
pmapper<tcm*> tcmHash(true);
iqivDriver* iDriver = nullptr;

namespace {

// Mapper prototypes in registry-index order, then converter prototypes.
void registerPrototypes() {
  reg_APM(new apmDefault(), "default");
  reg_APM(new apmTimerej(), "timerej");
  reg_APM(new apmKrt(), "krt");
  reg_APM(new apmKrtSurvey(), "krt.surv");
  reg_APM(new apmKrtWTime(), "krt.wtime");
  reg_APM(new apmKrtIO(), "krt.io");
  reg_APM(new apmKrtPseudo(), "krt.pseudo");
  reg_APM(new apmPseudoDev(), "pseudo.dev");
  reg_APM(new apmXdArray(), "xD.array");
  reg_APM(new apmPlw(), "plw");
  reg_APM(new apmPlwM(), "plwm");
  reg_APM(new apmPlwBigEndian(), "plw.be");
  reg_APM(new apmPlwMBigEndian(), "plwm.be");
  // Converters come after every mapper.
  reg_TCM(new tcmDouble(nullptr), "double");
  reg_TCM(new tcmLongLong(nullptr), "longlong");
  reg_TCM(new tcmLongLongNano(nullptr), "longlongnano");
}

template <class T>
const char* nameAt(const pmapper<T*>& registry, int index) {
  return registry.getName(index);  // throws 0 outside the registry
}

}  // namespace

void qivlib_Init(iqivDriver* driver) {
  iDriver = driver;
  registerPrototypes();
}

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
    throw ManException((std::string("qivlib_apmCreate: mapper [") + std::to_string(index) +
                        "] failed to initialise: " + e.what())
                           .c_str());
  } catch (...) {
    throw ManException((std::string("qivlib_apmCreate: no mapper can be made or initialised for index [") +
                        std::to_string(index) + "]")
                           .c_str());
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
