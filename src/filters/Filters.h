// Subscription filters: their text grammar, the registry of named filters that the
// host fills, and the cached yox::data::Data form handed to the middleware.
#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "base/Export.h"

namespace yox {
namespace data {
class Data;
}
}  // namespace yox

class YOX_EXPORT Filters {
 public:
  class YOX_EXPORT Filter {
   public:
    // One "<tag_name>=<data_type>,<value>[,<value>]..." piece of an inline filter.
    class YOX_EXPORT FilterConstraint {
     public:
      // Throws std::runtime_error when the text does not have that shape.
      explicit FilterConstraint(const std::string& constraintString);

      const std::string& getConstraintString() const { return constraintString; }
      const std::string& getTagName() const { return tagName; }
      const std::string& getDataType() const { return dataType; }
      const std::vector<std::string>& getValues() const { return values; }

     private:
      std::string constraintString;
      std::string tagName;
      std::string dataType;
      std::vector<std::string> values;
    };

    // Parses a named ("sel") or inline ("sel/cycle=int,1,2/mode=string,fast") filter;
    // throws std::runtime_error for a malformed inline text.
    explicit Filter(const std::string& filterString);
    virtual ~Filter();
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    static bool isFilterNameOnly(const std::string& filterString);
    void parseNamedFilter(const std::string& filterString);
    void parseInlineFilter(const std::string& filterString);

    // The filter as a container, built on the first successful call and owned by the
    // filter (callers must not delete it). Throws std::runtime_error (after logging)
    // when the filter cannot be converted; the next call then tries again.
    yox::data::Data* getVuqData();

    const std::string& getFilterString() const { return filterString; }
    const std::string& getName() const { return name; }
    bool isNameOnly() const { return nameOnly; }
    const std::vector<boost::shared_ptr<FilterConstraint>>& getConstraints() const { return constraints; }

   private:
    std::string filterString;
    std::string name;
    bool nameOnly;
    std::vector<boost::shared_ptr<FilterConstraint>> constraints;
    yox::data::Data* data;
  };

  Filters();
  virtual ~Filters();

  // Parses and stores a filter under its name, replacing one of the same name.
  void setFilter(const std::string& filterString);
  // The filter of exactly that name, or an empty pointer.
  boost::shared_ptr<Filter> getFilter(const std::string& name);
  size_t getFilterCount() const;

 private:
  std::map<std::string, boost::shared_ptr<Filter>> filters;
};
