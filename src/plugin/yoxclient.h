// Everything a host needs in one include: entry points, host interface, registries,
// logging, typed values, filters, the mapper and converter base classes, and the
// data library.
#pragma once

#include "apm/apm.h"
#include "data/yoxdata.h"
#include "filters/Filters.h"
#include "plugin/CommonUtilities.h"
#include "plugin/HostFunctions.h"
#include "plugin/HostInterface.h"
#include "plugin/LogIt.h"
#include "plugin/ManException.h"
#include "plugin/qivlib.h"
#include "tcm/tcm.h"
#include "values/VUQ_VARS.h"
