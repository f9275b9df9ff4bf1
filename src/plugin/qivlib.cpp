#include "plugin/qivlib.h"

#include "apm/apmDefault.h"
#include "apm/apmPseudoDev.h"
#include "apm/apmTimerej.h"
#include "apm/apmXdArray.h"
#include "apm/byteoffset/apmPlw.h"
#include "apm/krt/apmKrt.h"
#include "apm/krt/apmKrtCompanions.h"
#include "tcm/tcmDouble.h"
#include "tcm/tcmLongLong.h"
#include "tcm/tcmLongLongNano.h"

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

}  // namespace

void qivlib_Init(iqivDriver* driver) {
  iDriver = driver;
  registerPrototypes();
}
