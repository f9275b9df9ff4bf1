// The host driver as the plug-in sees it: tags, mapping records, properties, device
// handles and the driver object. The host implements the abstract classes; their
// virtual operations are declared in the order the host was compiled against.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstring>
#include <map>
#include <string>

#include "base/Export.h"
#include "base/ManException.h"
#include "data/AutoPtr.h"
#include "filters/Filters.h"
#include "hostapi/HostContainers.h"
#include "hostapi/tcm.h"
#include "values/VUQ_VARS.h"

class apm;
namespace yox {
namespace data {
class Data;
}
}  // namespace yox

// One host tag: a typed value, its validity and its time stamp.
class qivTag {
 public:
  qivTag() = default;
  explicit qivTag(const std::string& tagName) : name(tagName) {}
  virtual ~qivTag() {}

  VUQ_VARS value;
  std::string name;
  bool valid = false;
  long long seconds = 0;  // since the epoch
  long long millis = 0;   // 0..999 (negative for stamps before the epoch)
  bool noData = false;
};

// The mapping of one data-point element of a peripheral address. The host owns the
// record and its converters; apmData belongs to the mapper that hung it there.
class imapHw2Vuq {
 public:
  imapHw2Vuq() : converters(true) {}
  imapHw2Vuq(const imapHw2Vuq&) = delete;
  imapHw2Vuq& operator=(const imapHw2Vuq&) = delete;
  virtual ~imapHw2Vuq() {
    delete[] dpeId;
    delete[] hardwareTag;
  }

  // Replace dpeId / hardwareTag with owned copies (null stays null).
  void setDpeId(const char* text) { assign(dpeId, text); }
  void setHardwareTag(const char* text) { assign(hardwareTag, text); }

  pvector<tcm*> converters;
  char* dpeId = nullptr;
  std::string peripheralAddress;
  char* hardwareTag = nullptr;
  ivector<std::string> qualifiers;
  void* apmData = nullptr;

 private:
  static void assign(char*& target, const char* text) {
    delete[] target;
    target = nullptr;
    if (text == nullptr) return;
    target = new char[std::strlen(text) + 1];
    std::strcpy(target, text);
  }
};

// A received or outgoing property of one peripheral address, turned into tags.
class iqivProp {
 public:
  iqivProp() = default;
  iqivProp(const iqivProp&) = delete;
  iqivProp& operator=(const iqivProp&) = delete;
  virtual ~iqivProp() {
    for (auto& entry : tags) delete entry.second;
  }

  // Stores tag under its name, deleting a tag of that name first. Takes ownership.
  void add(qivTag* tag) {
    auto it = tags.find(tag->name);
    if (it != tags.end()) {
      if (it->second == tag) return;
      delete it->second;
      it->second = tag;
    } else {
      tags.emplace(tag->name, tag);
    }
  }

  // A bare copy for the same address: device, property, filter and the shared
  // mapping records, no tags. The caller owns it.
  virtual iqivProp* dup() const = 0;
  // The address's mapping records by data-point element id, shared by every dup.
  virtual pmapper<imapHw2Vuq*>& getMapping() const = 0;
  virtual std::string getDevice() const = 0;
  virtual std::string getProperty() const = 0;
  // The address's filter, possibly empty.
  virtual boost::shared_ptr<Filters::Filter> getFilter() const = 0;

  std::map<std::string, qivTag*> tags;  // owned
  bool stopFlag = false;
};

// A failure of a device handle; mappers pass it on to the host unchanged.
class YOX_EXPORT qivHandlerEx : public ManException {
 public:
  explicit qivHandlerEx(const char* message) : ManException(message) {}
  ~qivHandlerEx() override;
};

// The host's handle on one device property: subscription and reads.
class qivHandler {
 public:
  virtual ~qivHandler() {}
  virtual void qivMonitorOn() = 0;
  virtual void qivMonitorOff() = 0;
  virtual void qivGetAsync() = 0;
  // The property read now; the caller owns it. Throws qivHandlerEx on failure.
  virtual yox::auto_ptr<yox::data::Data> qivGetSync() = 0;
  virtual void qivSetProperty(const std::string& property) = 0;
  virtual std::string getDevice() const = 0;
  virtual std::string getProperty() const = 0;
};

// The host driver object handed to qivlib_Init.
class iqivDriver {
 public:
  // Configuration value of key, or null when it is not set.
  virtual const char* getConfig(const char* key) = 0;
  // A new list of the mapper instances made from registry entry index; the caller
  // deletes the list only, never the mappers.
  virtual pvector<apm*>* getMappers(int index) = 0;
  // The host's filter registry; may be empty.
  virtual boost::shared_ptr<Filters>& getFilters() = 0;
  // Publishes a property carrying new tags; the host takes ownership.
  virtual void deliver(iqivProp* prop) = 0;
  // Tells the host an address became invalid; prop is a bare dup the host takes over.
  virtual void deliverInvalid(iqivProp* prop) = 0;
  // Supervision hooks; prop stays the mapper's.
  virtual void notifySupervision(iqivProp* prop) = 0;
  virtual void initSupervision(iqivProp* prop) = 0;
  virtual ~iqivDriver() {}
};
