// The mapper of two-dimensional array tags. Writing, it sends a tag's elements as
// their flat list plus a companion tag "dim_" + name holding [columns, rows], the
// column count coming from the mapping record's second qualifier. Reading, it
// stamps the tag like the default mapper (and announces on every call that reading
// such arrays is not supported yet).
#pragma once

#include "apm/apmDefault.h"
#include "base/Export.h"

class YOX_EXPORT apmXdArray : public apmDefault {
 public:
  // A new apmXdArray with this index and construction defaults; the caller owns it.
  apm* dup() override;
  // Logs the not-supported banner, then tag->valid = time_in(...). Always true.
  bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // Adds the dimension tag when the record names a column count (a second qualifier
  // that is not a positive decimal number is refused with a log record, no tag is
  // added), then runs the record's converters as the default mapper does. The tag is
  // valid when there was at least one converter. Always true.
  bool out(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
};
