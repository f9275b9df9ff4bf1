#include "data/impl/DiscreteFunctionListImpl.h"

#include <cstdint>

#include "data/DataException.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

DiscreteFunctionListImpl::DiscreteFunctionListImpl() = default;

DiscreteFunctionListImpl::DiscreteFunctionListImpl(boost::ptr_vector<DiscreteFunction>& functions) {
  functions_.swap(functions);
}

DiscreteFunctionListImpl::~DiscreteFunctionListImpl() = default;

size_t DiscreteFunctionListImpl::getSize() const { return functions_.size(); }

const DiscreteFunction& DiscreteFunctionListImpl::getFunction(size_t index) const {
  if (index >= functions_.size()) {
    // The upper bound of an empty list prints as -1.
    throw DataException(
        util::StringUtils::format("Provided function index '%zu' is out of allowed range [0, %ld].", index,
                                  static_cast<long>(functions_.size()) - 1));
  }
  return functions_[index];
}

std::list<const DiscreteFunction*> DiscreteFunctionListImpl::getFunctions() const {
  std::list<const DiscreteFunction*> functions;
  for (const DiscreteFunction& function : functions_) functions.push_back(&function);
  return functions;
}

std::string DiscreteFunctionListImpl::toString() const { return toString(SIZE_MAX); }

std::string DiscreteFunctionListImpl::toString(size_t maxPoints) const {
  std::string text = "<";
  for (size_t i = 0; i < functions_.size(); ++i) {
    if (i > 0) text += ",\n";
    text += functions_[i].toString(maxPoints);
  }
  text += ">";
  return text;
}

yox::auto_ptr<DiscreteFunctionList> DiscreteFunctionListImpl::clone() const {
  boost::ptr_vector<DiscreteFunction> copies;
  copies.reserve(functions_.size());
  for (const DiscreteFunction& function : functions_) copies.push_back(function.clone().release());
  return yox::auto_ptr<DiscreteFunctionList>(new DiscreteFunctionListImpl(copies));
}

bool DiscreteFunctionListImpl::operator==(const DiscreteFunctionList& other) const {
  if (this == &other) return true;
  if (functions_.size() != other.getSize()) return false;
  for (size_t i = 0; i < functions_.size(); ++i) {
    if (functions_[i] != other.getFunction(i)) return false;
  }
  return true;
}

bool DiscreteFunctionListImpl::operator!=(const DiscreteFunctionList& other) const {
  return !(*this == other);
}

size_t DiscreteFunctionListImpl::hashCode() const {
  size_t hash = 0;
  for (const DiscreteFunction& function : functions_) hash += function.hashCode();
  return hash;
}

}  // namespace impl
}  // namespace data
}  // namespace yox
