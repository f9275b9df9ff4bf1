// Turns a received yox::data::Data into the tags of an iqivProp, as the host does
// before it hands a property to a mapper: one tag per entry, named after the entry,
// holding an initialised VUQ_VARS. A scalar becomes a one-element vector; an array of
// any number of dimensions becomes its elements in storage (row-major) order. The
// tags are not valid and carry no time stamp; the mappers set both.
//
// Entry type                                  -> VUQ_VARS element type (type id)
//   DT_BOOL,   DT_BOOL_ARRAY[_2D], _MULTI       -> bool        (1006)
//   DT_BYTE,   DT_BYTE_ARRAY[_2D], _MULTI       -> char        (1008)
//   DT_SHORT,  DT_SHORT_ARRAY[_2D], _MULTI      -> short       (1003)
//   DT_INT,    DT_INT_ARRAY[_2D], _MULTI        -> int         (1002)
//   DT_LONG,   DT_LONG_ARRAY[_2D], _MULTI       -> long        (1001)
//   DT_FLOAT,  DT_FLOAT_ARRAY[_2D], _MULTI      -> float       (1005)
//   DT_DOUBLE, DT_DOUBLE_ARRAY[_2D], _MULTI     -> double      (1004)
//   DT_STRING, DT_STRING_ARRAY[_2D], _MULTI     -> std::string (1007)
// Nested containers (DT_DATA and its arrays), discrete functions and their lists have
// no tag form and are refused.
#pragma once

#include "hostapi/HostInterface.h"
#include "values/VUQ_VARS.h"

namespace yox {
namespace data {
class Data;
class Entry;
}  // namespace data
}  // namespace yox

namespace yoxhost {

// The tag value of one entry. Throws std::invalid_argument for an entry type without
// a tag form (see the table above).
VUQ_VARS entryToValue(const yox::data::Entry& entry);

// Adds one tag per entry of data to prop (replacing tags of the same name). All or
// nothing: when an entry is refused (std::invalid_argument), prop is left unchanged.
void addDataTags(const yox::data::Data& data, iqivProp& prop);

}  // namespace yoxhost
