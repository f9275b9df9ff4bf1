// The host's update cycle for one received property of an address, the one place that
// models it for the tests and for yoxhost: begin, then validate and in for every
// mapping record in mapping order, then end.
//
// What the host tells validate: a record is ok when the received property carries an
// initialised tag of the target tag's name; callers may give their own verdicts. A
// ManException from begin rejects the property but the cycle goes on, as the host
// still offers every tag and the mappers keep rejected tags as they were. Each tag's
// noData flag speaks for one cycle only, so it is cleared before in.
#pragma once

#include <string>
#include <vector>

#include "hostapi/HostInterface.h"

class apm;

namespace yoxhost {

// How one call into the plug-in ended: normally, with the ManException a host expects
// (man), or with anything else, which no host expects (text says what it was).
struct CallOutcome {
  bool ok = true;
  bool man = false;
  std::string text;
};

// Runs call and classifies whatever it throws.
template <class F>
CallOutcome guardCall(F&& call);

struct RecordOutcome {
  bool in = false;        // what in answered
  std::string rejection;  // ManException texts of validate ("validate: ...") and in, joined by "; "
};

struct CycleOutcome {
  std::string rejection;  // begin's ManException text, "" when accepted
  bool rejected = false;
  std::vector<RecordOutcome> records;  // per mapping record, in mapping order
  std::string endRejection;            // end's ManException text, if any
  std::vector<std::string> errors;     // exceptions no host expects, e.g. "begin threw std::exception: ..."
};

// targets[i] is the host's tag for record i of prop's mapping table (records beyond
// targets are not offered). verdicts[i], when given, replaces the host's own ok for
// record i. address, when not empty, prefixes the errors of begin and end.
CycleOutcome runUpdateCycle(apm& mapper, iqivProp& prop, const std::vector<qivTag*>& targets,
                            const std::vector<bool>& verdicts = {}, const std::string& address = "");

// ---- implementation of the template ----

template <class F>
CallOutcome guardCall(F&& call) {
  CallOutcome outcome;
  try {
    call();
    return outcome;
  } catch (const ManException& e) {
    outcome.man = true;
    outcome.text = e.getMessage();
  } catch (const std::exception& e) {
    outcome.text = std::string("std::exception: ") + e.what();
  } catch (int value) {
    outcome.text = "the integer " + std::to_string(value);
  } catch (const char* text) {
    outcome.text = std::string("the C string '") + (text ? text : "") + "'";
  } catch (...) {
    outcome.text = "an exception of unknown type";
  }
  outcome.ok = false;
  return outcome;
}

}  // namespace yoxhost
