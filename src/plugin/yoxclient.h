// Everything a host needs in one include: entry points, host interface, registries,
// logging, typed values, filters, every mapper and converter class, and the data
// library.
#pragma once

#include "apm/apm.h"
#include "apm/apmDefault.h"
#include "apm/apmKrt.h"
#include "apm/apmKrtCompanions.h"
#include "apm/apmPlw.h"
#include "apm/apmPseudoDev.h"
#include "apm/apmTimerej.h"
#include "apm/apmXdArray.h"
#include "data/yoxdata.h"
#include "filters/FilterToYoxDataConverter.h"
#include "filters/Filters.h"
#include "plugin/CommonUtilities.h"
#include "plugin/HostFunctions.h"
#include "plugin/HostInterface.h"
#include "plugin/LogIt.h"
#include "plugin/ManException.h"
#include "plugin/qivlib.h"
#include "tcm/tcm.h"
#include "tcm/tcmDouble.h"
#include "tcm/tcmLongLong.h"
#include "tcm/tcmLongLongNano.h"
#include "values/VUQ_VARS.h"
