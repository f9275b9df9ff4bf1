// The time-rejection mapper: guards the host against stale, repeated and
// implausible time stamps. Each received property's time stamp is checked against
// the last accepted one and the host clock; a failing property is rejected whole
// (tags frozen, the host told once per rejection period, a watchdog started), an
// accepted one is copied into the tags stamped with its time.
//
// The limits below are process-wide and shared with the protection-system mapper.
// They are written only while addresses are initialised and read afterwards.
#pragma once

#include "apm/apmDefault.h"
#include "base/Export.h"
#include "hostapi/RecordData.h"

class tcm;

// Milliseconds a time stamp may lie ahead of / behind the host clock, and how long a
// rejection period may last before the watchdog fires. Negative: not configured yet.
extern YOX_EXPORT long long TO_INFUTURE;
extern YOX_EXPORT long long TO_INPAST;
extern YOX_EXPORT long long TO_WATCHDOG;
// Whether a time stamp equal to the previous one is rejected.
extern YOX_EXPORT bool REJ_EQ_TIME;

class YOX_EXPORT apmTimerej : public apmDefault {
 public:
  apmTimerej();
  // Frees the template, the time converter and the element indexes this mapper hung
  // on mapping records. The records themselves are the host's and are not touched.
  ~apmTimerej() override;

  // Returns when cur is acceptable after prev; otherwise throws ManException whose
  // text is the reason ("is equal to 0", "... older than in prev frame", ...).
  static void isValid(long long prev, long long cur);

  // Sets TO_INFUTURE, TO_INPAST and TO_WATCHDOG that are still negative to 30000 or
  // to their configured value, and REJ_EQ_TIME from "cfgKrtRejEqTime" when set. Reads
  // the configuration through iDriver.
  static void configureLimits();

  apm* dup() override;
  // Keeps a bare dup of prop, configures the limits, hangs each record's element
  // index (its first qualifier) on the record and picks the one time converter.
  // Throws ManException "multiple timestamp tags" when records disagree on it, and a
  // ManException naming the record, with nothing changed, when a record has no
  // converter.
  void initialise(iqivProp* prop) override;
  // Accepts or rejects the property's time stamp; a rejection throws ManException.
  void begin(const iqivProp* prop) override;
  void end(const iqivProp* prop) override;
  // Copies the received value into tag, stamped with the accepted time; false (and
  // nothing touched) while a rejection period runs. Throws ManException when prop has
  // no tag of tag's name.
  bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // False when no rejection period runs, true while it is within TO_WATCHDOG;
  // afterwards throws ManException "watchdog event has happened" on every poll.
  bool watchdog() override;

  iqivProp* templateProp;  // owned; null until initialise
  tcm* timeConverter;      // owned; null until initialise
  long long prevTime;      // last accepted time stamp, ms
  long long rejectStart;   // host time the running rejection period began; 0 if none

 private:
  // The element indexes this mapper allocated and hung on mapping records.
  RecordData<int> elementIndexes_;
};
