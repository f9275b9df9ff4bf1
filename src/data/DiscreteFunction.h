// Sampled curves (points with strictly ascending x), lists of them and the builder that
// assembles a list. Containers store, clone, compare, hash and print them only through
// these interfaces; instances come from DataFactory.
#pragma once

#include <cstddef>
#include <list>
#include <string>

#include "data/AutoPtr.h"
#include "data/Export.h"

namespace yox {
namespace data {

// How DataFactory::createDiscreteFunction treats the caller's x and y arrays.
enum DiscreteFunctionStoragePolicy : int {
  DFSP_COPY = 0,  // the arrays are copied; the caller keeps them
  DFSP_MOVE = 1   // the function adopts the arrays, which must come from new[]
};

// An immutable sampled function of n points; safe to read from several threads.
class YOX_EXPORT DiscreteFunction {
 public:
  virtual ~DiscreteFunction() {}
  // Number of points.
  virtual size_t getSize() const = 0;
  // The n x and y values; owned by the function and valid while it lives.
  virtual const double* getXArray() const = 0;
  virtual const double* getYArray() const = 0;
  // "<x|y,x|y,...>" with every point.
  virtual std::string toString() const = 0;
  // As toString(), printing at most maxPoints points and " ... " when some are left out.
  virtual std::string toString(size_t maxPoints) const = 0;
  // A deep copy owned by the caller.
  virtual yox::auto_ptr<DiscreteFunction> clone() const = 0;
  virtual bool operator==(const DiscreteFunction& other) const = 0;
  virtual bool operator!=(const DiscreteFunction& other) const = 0;
  virtual size_t hashCode() const = 0;
};

// An immutable, ordered list of functions, built with a DiscreteFunctionListBuilder.
class YOX_EXPORT DiscreteFunctionList {
 public:
  virtual ~DiscreteFunctionList() {}
  virtual size_t getSize() const = 0;
  // The function at index (0-based), owned by the list. Throws DataException when index
  // is not below getSize().
  virtual const DiscreteFunction& getFunction(size_t index) const = 0;
  // Non-owning pointers to the functions, in list order; valid while the list lives.
  virtual std::list<const DiscreteFunction*> getFunctions() const = 0;
  virtual std::string toString() const = 0;
  virtual std::string toString(size_t maxPoints) const = 0;
  // A deep copy (every function cloned) owned by the caller.
  virtual yox::auto_ptr<DiscreteFunctionList> clone() const = 0;
  virtual bool operator==(const DiscreteFunctionList& other) const = 0;
  virtual bool operator!=(const DiscreteFunctionList& other) const = 0;
  virtual size_t hashCode() const = 0;
};

// Collects functions for a new list; not thread-safe. Reusable after build().
class YOX_EXPORT DiscreteFunctionListBuilder {
 public:
  virtual ~DiscreteFunctionListBuilder() {}
  // Takes ownership of function. Throws DataException for a null function (the builder
  // is then unchanged).
  virtual void append(yox::auto_ptr<const DiscreteFunction> function) = 0;
  // Destroys every function appended so far.
  virtual void clear() = 0;
  // Moves the appended functions, in order, into a new list owned by the caller and
  // leaves the builder empty.
  virtual yox::auto_ptr<DiscreteFunctionList> build() = 0;
};

}  // namespace data
}  // namespace yox
