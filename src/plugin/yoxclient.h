// Everything a host needs in one include: entry points, host interface, registries,
// logging, typed values, filters, every mapper and converter class, and the data
// library.
#pragma once

#include "apm/apmDefault.h"
#include "apm/apmPseudoDev.h"
#include "apm/apmTimerej.h"
#include "apm/apmXdArray.h"
#include "apm/byteoffset/apmPlw.h"
#include "apm/krt/apmKrt.h"
#include "apm/krt/apmKrtCompanions.h"
#include "base/CommonUtilities.h"
#include "base/HostFunctions.h"
#include "base/LogIt.h"
#include "base/ManException.h"
#include "data/yoxdata.h"
#include "filters/FilterToYoxDataConverter.h"
#include "filters/Filters.h"
#include "hostapi/HostInterface.h"
#include "hostapi/apm.h"
#include "hostapi/tcm.h"
#include "plugin/qivlib.h"
#include "registry/Registry.h"
#include "tcm/tcmDouble.h"
#include "tcm/tcmLongLong.h"
#include "tcm/tcmLongLongNano.h"
#include "values/VUQ_VARS.h"
