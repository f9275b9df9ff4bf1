// The mapper of a pseudo device: a property that no device publishes, whose single
// boolean tag "contents" tells whether the real properties it stands for were valid
// in their last cycle. Default mappers that watch it write deviceValid and deliver a
// fresh property; this mapper writes deviceValid into the tag when the host maps it.
#pragma once

#include "base/Export.h"
#include "hostapi/apm.h"

class YOX_EXPORT apmPseudoDev : public apm {
 public:
  apmPseudoDev();
  // Deletes the template.
  ~apmPseudoDev() override;
  apmPseudoDev(const apmPseudoDev&) = delete;
  apmPseudoDev& operator=(const apmPseudoDev&) = delete;

  // A new apmPseudoDev with this index, no template and deviceValid false.
  apm* dup() override;
  // Keeps a bare dup of prop as the template (replacing an earlier one).
  void initialise(iqivProp* prop) override;
  // A pseudo property is never valid for the host; changes nothing.
  bool validate(const iqivProp* prop, bool ok, const imapHw2Vuq* map) override;
  // Element 0 of tag's value = deviceValid; true. Throws ManException when the tag's
  // value is not initialised.
  bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // Delivers a fresh property with an empty "contents" tag to the host and returns
  // null. Throws ManException when the mapper was never initialised.
  yox::auto_ptr<yox::data::Data> syncGet(qivHandler& handler, const imapHw2Vuq* map) override;
  // As syncGet.
  void asyncGet(qivHandler& handler, const imapHw2Vuq* map) override;

  iqivProp* templateProp;  // owned; null until initialise
  bool deviceValid;        // the validity a default mapper last recorded
};
