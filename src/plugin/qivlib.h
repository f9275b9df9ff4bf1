// The plug-in's entry points as the host binds to them (C++ linkage, exact
// signatures): qivlib_Init here, the registry entry points beside the registries.
#pragma once

#include "base/Export.h"
#include "registry/Registry.h"

class iqivDriver;

// Keeps the driver and registers every mapper and converter prototype. A second call
// only replaces the driver: the new prototypes are duplicates and are destroyed.
YOX_EXPORT void qivlib_Init(iqivDriver* driver);
