// The registries of mapper and converter prototypes and the entry points that read
// them, as the host binds to them (C++ linkage, exact signatures). qivlib_Init, which
// fills them, is declared in plugin/qivlib.h.
#pragma once

#include "base/Export.h"
#include "hostapi/HostContainers.h"

class apm;
class tcm;
class iqivDriver;
class iqivProp;

// Mapper and converter prototypes by name, in registration order; they own their
// prototypes. A registry index is an entry's position.
extern YOX_EXPORT pmapper<apm*> apmHash;
extern YOX_EXPORT pmapper<tcm*> tcmHash;
// The host driver; null until qivlib_Init.
extern YOX_EXPORT iqivDriver* iDriver;

// The help text; valid until the next call.
YOX_EXPORT const char* qivlib_Help();
// Name of mapper entry index; throws the integer 0 outside the registry.
YOX_EXPORT const char* qivlib_apmInfo(int index);
// Index of the mapper called name (null means ""), or -1.
YOX_EXPORT int qivlib_apmInfo(const char* name);
// Clones prototype index into a null mapper, then initialises the mapper with prop
// when the driver holds a filter registry. Only ManException leaves.
YOX_EXPORT void qivlib_apmCreate(apm*& mapper, int index, iqivProp* prop);
YOX_EXPORT const char* qivlib_tcmInfo(int index);
YOX_EXPORT int qivlib_tcmInfo(const char* name);
// A new converter (owned by the caller) cloned from prototype index with field name;
// throws the integer 0 outside the registry.
YOX_EXPORT tcm* qivlib_tcmCreate(int index, const char* name);
// Register a prototype, which the registry then owns; a name already registered
// keeps its first prototype and the new object is destroyed.
YOX_EXPORT void reg_APM(apm* mapper, const char* name);
YOX_EXPORT void reg_TCM(tcm* converter, const char* name);
