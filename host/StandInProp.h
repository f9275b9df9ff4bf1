// A property of one peripheral address, as the stand-in host builds it: device and
// property names, an optional filter, and mapping records shared by every dup.
#pragma once

#include <memory>
#include <string>

#include "hostapi/HostInterface.h"

namespace yoxhost {

using MappingTable = pmapper<imapHw2Vuq*>;

class StandInProp : public iqivProp {
 public:
  StandInProp(std::string device, std::string property,
              boost::shared_ptr<Filters::Filter> filter = boost::shared_ptr<Filters::Filter>());

  iqivProp* dup() const override;
  MappingTable& getMapping() const override { return *mapping_; }
  std::string getDevice() const override { return device_; }
  std::string getProperty() const override { return property_; }
  boost::shared_ptr<Filters::Filter> getFilter() const override { return filter_; }

  // Adds a mapping record for data-point element dpeId; the table owns it.
  imapHw2Vuq& addMapping(const std::string& dpeId, const std::string& peripheralAddress = "",
                         const char* hardwareTag = nullptr);
  // Stores a tag called name holding value (replacing one of that name); returns it.
  qivTag* setTag(const std::string& name, const VUQ_VARS& value);
  template <class T>
  qivTag* setTag(const std::string& name, const std::vector<T>& values) {
    VUQ_VARS value;
    value.assignVector(values);
    return setTag(name, value);
  }
  // The tag called name, or null.
  qivTag* tag(const std::string& name) const;

 private:
  StandInProp(const StandInProp& other, bool bare);

  std::string device_;
  std::string property_;
  boost::shared_ptr<Filters::Filter> filter_;
  std::shared_ptr<MappingTable> mapping_;
};

}  // namespace yoxhost
