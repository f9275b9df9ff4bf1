// A protection-system device as the tests operate it: its gateway publishes the
// "Supervision" property with the status words, a state array and a value array
// (whose element names the device's "Parameter" property lists), and gateway,
// acquisition and quench times in nanoseconds. The host side is one peripheral
// address: mapping records and the host's own tag per record, named after the record's
// hardware tag up to ":" (so "states:" feeds the host tag "states").
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataFactory.h"
#include "host/StandInProp.h"
#include "host/UpdateCycle.h"
#include "hostapi/HostInterface.h"
#include "hostapi/apm.h"
#include "support/MapperHarness.h"

namespace yoxtest {

// The context and device filters of the B15R3 crate: two devices on mezzanine 3,
// FIP addresses 17 and 18.
constexpr const char* kKrtDevice = "DQQDS.B15R3";
constexpr const char* kKrtNeighbour = "DQQDS.B16R3";
constexpr const char* kKrtDeviceFilter = "B15R3.CIRCUIT/circuit=byte,2";  // circuit bit 4
constexpr const char* kKrtContextFilter =
    "B15R3.CONTEXT/Devices=string,DQQDS.B15R3,DQQDS.B16R3/devices=string,DQQDS.B15R3,DQQDS.B16R3"
    "/fipMezzanines=int,3,3/fipAddresses=int,17,18/fipCircuits=byte,1,0";
constexpr const char* kKrtAllowedStates = "KRT.ALLOWED_STATES/status=int,3,-1/subStatus=int,-1,5";
// The fault key of kKrtDevice on circuit bit 4: 3 * 10000 + 17 * 10 + 2.
constexpr long long kKrtDeviceKey = 30172;

// One publication of the device. Times in milliseconds since the epoch (sent as ns).
struct KrtFrame {
  long long gtwMs = 0;
  long long aqnMs = 0;
  long long quenchMs = 0;
  bool fip = true;
  bool logging = true;
  int status = 3;
  int subStatus = 0;
  char statusCmd = 0x5B;
  std::vector<bool> states = {true, false, true};
  std::vector<float> values = {1.5f, -0.25f, 12.0f};
  int circuit = 4;
};

class KrtDevice {
 public:
  explicit KrtDevice(boost::shared_ptr<Filters::Filter> filter, const std::string& property = "Supervision",
                     const std::string& device = kKrtDevice)
      : prop(device, property, filter) {}

  // Adds a record for dpe with hardware tag hwTag (and qualifier when not empty) and
  // the host tag it feeds, holding initial (the host's configured type).
  template <class T>
  imapHw2Vuq& map(const std::string& dpe, const std::string& hwTag, const std::string& qualifier,
                  const std::vector<T>& initial) {
    imapHw2Vuq& record = prop.addMapping(dpe, "", hwTag.c_str());
    if (!qualifier.empty()) record.qualifiers.push_back(qualifier);
    std::unique_ptr<qivTag> tag(new qivTag(hwTag.substr(0, hwTag.find(':'))));
    tag->value.assignVector(initial);
    targets[dpe] = std::move(tag);
    return record;
  }

  // The records of a fully mapped device.
  void mapAll() {
    map<bool>("fip", "sT_FIP", "", {false});
    map<bool>("logging", "sT_LOGGING", "", {false});
    map<char>("cmdStatus", "statusCmd", "STATUS", {0});
    map<char>("cmdOperation", "statusCmd", "ST_OPERATION", {0});
    map<char>("cmdOn", "statusCmd", "ON", {0});
    map<bool>("quenchFlag", "states:", "ST_QUENCH", {false});
    map<bool>("heaterFlag", "states:", "ST_HEATER", {false});
    map<float>("uRes", "values:", "U_RES", {0});
    map<long>("quenchTime", "quenchUtcTime", "", {0});
    map<long>("aqnTime", "aqnUtcTime", "", {0});
    map<long>("gtwTime", "gtwUtcTime", "", {0});
    map<int>("circuit", "circuit", "", {0});
  }

  // The device's "Parameter" property: the names of the state and value elements.
  static yox::auto_ptr<yox::data::Data> parameters() {
    yox::auto_ptr<yox::data::Data> data = yox::data::DataFactory::createData();
    const char* states[] = {"ST_HEATER", "ST_POWER", "ST_QUENCH"};
    const char* values[] = {"U_DIFF", "U_RES", "I_MEAS"};
    data->appendArray("statesName", states, 3);
    data->appendArray("valuesName", values, 3);
    return data;
  }

  // Puts frame's tags into the property, replacing the previous publication.
  void publish(const KrtFrame& frame) {
    prop.setTag<bool>("sT_FIP", {frame.fip});
    prop.setTag<bool>("sT_LOGGING", {frame.logging});
    prop.setTag<int>("status", {frame.status});
    prop.setTag<int>("subStatus", {frame.subStatus});
    prop.setTag<char>("statusCmd", {frame.statusCmd});
    prop.setTag<bool>("states", frame.states);
    prop.setTag<float>("values", frame.values);
    prop.setTag<long>("gtwUtcTime", {frame.gtwMs * 1000000});
    prop.setTag<long>("aqnUtcTime", {frame.aqnMs * 1000000});
    prop.setTag<long>("quenchUtcTime", {frame.quenchMs * 1000000});
    prop.setTag<int>("circuit", {frame.circuit});
  }

  struct Outcome {
    std::string rejection;           // begin's ManException text, "" when accepted
    std::map<std::string, bool> in;  // in's result per dpe
  };

  // The host's update cycle; hostOk false makes the host refuse every tag.
  Outcome cycle(apm& mapper, bool hostOk = true) {
    std::vector<qivTag*> inOrder;
    for (const auto& entry : prop.getMapping()) inOrder.push_back(targets.at(entry.first).get());
    const std::vector<bool> verdicts =
        hostOk ? std::vector<bool>() : std::vector<bool>(inOrder.size(), false);
    const yoxhost::CycleOutcome run = yoxhost::runUpdateCycle(mapper, prop, inOrder, verdicts);
    Outcome outcome;
    outcome.rejection = run.rejection;
    for (size_t i = 0; i < run.records.size(); ++i)
      outcome.in[prop.getMapping()[i].first] = run.records[i].in;
    return outcome;
  }

  qivTag& target(const std::string& dpe) { return *targets.at(dpe); }
  imapHw2Vuq& record(const std::string& dpe) {
    return *prop.getMapping().get(prop.getMapping().str_eq(dpe.c_str()));
  }
  int elementIndex(const std::string& dpe) { return *static_cast<int*>(record(dpe).apmData); }

  yoxhost::StandInProp prop;
  std::map<std::string, std::unique_ptr<qivTag>> targets;
};

}  // namespace yoxtest
