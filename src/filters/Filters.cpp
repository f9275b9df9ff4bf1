#include "filters/Filters.h"

#include <sstream>
#include <stdexcept>

#include "base/CommonUtilities.h"
#include "base/LogIt.h"
#include "data/Data.h"
#include "filters/FilterToYoxDataConverter.h"

Filters::Filter::FilterConstraint::FilterConstraint(const std::string& constraintString)
    : constraintString(constraintString) {
  const std::vector<std::string> sides = CommonUtilities::splitString(constraintString, "=");
  if (sides.size() != 2) {
    std::ostringstream message;
    message << "FilterConstraint"
            << " FilterConstraintString [" << constraintString
            << "] invalid, split on [=] should return at least [2] substrings [ "
               "<tag_name>=<data_type>,<value>[,<value>]... ], returned ["
            << sides.size() << "]";
    throw std::runtime_error(message.str());
  }
  std::vector<std::string> pieces = CommonUtilities::splitString(sides[1], ",");
  if (pieces.size() < 2) {
    std::ostringstream message;
    message << "FilterConstraint"
            << " FilterConstraintString [" << constraintString << "] filter values [" << sides[1]
            << "] invalid, split on [,] should return at least [2] substrings [ "
               "<data_type>,<value>[,<value>]... ], returned ["
            << pieces.size() << "]";
    throw std::runtime_error(message.str());
  }
  tagName = sides[0];
  dataType = pieces[0];
  values.assign(pieces.begin() + 1, pieces.end());
}

Filters::Filter::Filter(const std::string& filterString)
    : filterString(filterString), name(), nameOnly(isFilterNameOnly(filterString)), data(nullptr) {
  if (nameOnly) {
    parseNamedFilter(filterString);
  } else {
    parseInlineFilter(filterString);
  }
}

Filters::Filter::~Filter() { delete data; }

bool Filters::Filter::isFilterNameOnly(const std::string& filterString) {
  return filterString.find('/') == std::string::npos;
}

void Filters::Filter::parseNamedFilter(const std::string& text) { name = text; }

void Filters::Filter::parseInlineFilter(const std::string& text) {
  const std::vector<std::string> pieces = CommonUtilities::splitString(text, "/");
  if (pieces.size() < 2) {
    std::ostringstream message;
    message << "parseInlineFilter"
            << " filter name [" << name << "] filter string [" << text << "] invalid, split on ["
            << "/"
            << "] should return at least [2] substrings [ "
               "<filter_name>/<tag_name>=<data_type>,<value>[,<value>]...[/...] ], returned ["
            << pieces.size() << "]";
    throw std::runtime_error(message.str());
  }
  // Built aside so that a bad constraint leaves this filter as it was.
  std::vector<boost::shared_ptr<FilterConstraint>> parsed;
  parsed.reserve(pieces.size() - 1);
  for (size_t i = 1; i < pieces.size(); ++i) {
    parsed.push_back(boost::shared_ptr<FilterConstraint>(new FilterConstraint(pieces[i])));
  }
  name = pieces[0];
  constraints.swap(parsed);
}

yox::data::Data* Filters::Filter::getVuqData() {
  if (data != nullptr) return data;
  try {
    FilterToYoxDataConverter converter(*this);
    yox::auto_ptr<yox::data::Data> converted = converter.toYoxData();
    delete data;
    data = converted.release();
    return data;
  } catch (const std::runtime_error& e) {
    if (LogIt::isLoggable(kLogWarning, -1)) {
      // The record carries a fixed line so that log scanners keyed on it keep matching.
      LogIt(kLogWarning, -1, "getVuqData", 140).getStream()
          << "getVuqData"
          << " filter name [" << name << "] could not be parsed into a YOX Data representation, message "
          << e.what();
    }
    throw std::runtime_error(e.what());
  }
}

Filters::Filters() = default;

Filters::~Filters() = default;

void Filters::setFilter(const std::string& filterString) {
  boost::shared_ptr<Filter> filter(new Filter(filterString));
  filters[filter->getName()] = filter;
}

boost::shared_ptr<Filters::Filter> Filters::getFilter(const std::string& name) {
  const auto it = filters.find(name);
  return it == filters.end() ? boost::shared_ptr<Filter>() : it->second;
}

size_t Filters::getFilterCount() const { return filters.size(); }
