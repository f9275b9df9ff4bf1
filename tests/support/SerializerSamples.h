// The sample containers behind examples/messages/ and the fuzz seed corpora. Tests
// encode them again and compare with the committed files, so the files always come from
// the project's own encoder; fuzz/make_corpus.cpp writes them.
#pragma once

#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DiscreteFunction.h"

namespace yox {
namespace testing {

// A typical device property: scalars, texts, arrays of one, two and N dimensions and a
// discrete function; everything the CSV form can carry.
inline yox::auto_ptr<data::Data> makeTypicalProperty() {
  yox::auto_ptr<data::Data> data = data::DataFactory::createData();
  data->append("acqStamp", 1717171717123456789L);
  data->append("cycleName", "SPS.USER.LHC1");
  data->append("current", 1234.5);
  data->append("enabled", true);
  data->append("gain", 0.25f);
  data->append("mode", static_cast<short>(3));
  data->append("status", static_cast<signed char>(-2));
  data->append("count", 42);
  data->append("comment", "beam \"on\": 50% ok\nsecond line");
  const double samples[] = {0.5, -1.25, 3e-3, 1e10, -0.0, 7.0};
  data->appendArray("samples", samples, 6);
  const int matrix[] = {1, 2, 3, 4, 5, 6};
  data->appendArray2D("matrix", matrix, 2, 3);
  const short cube[] = {1, 2, 3, 4, 5, 6, 7, 8};
  data->appendMultiArray("cube", cube, std::vector<size_t>{2, 2, 2});
  const bool flags[] = {true, false, true};
  data->appendArray("flags", flags, 3);
  const signed char raw[] = {0, 1, -1, 127, -128};
  data->appendArray("raw", raw, 5);
  const char* labels[] = {"x", "", "y z", "a:b"};
  data->appendArray("labels", labels, 4);
  const float empty[] = {0.0f};
  data->appendArray("empty", empty, 0);
  const double x[] = {0.0, 1.0, 2.5};
  const double y[] = {10.0, 20.0, -5.0};
  yox::auto_ptr<const data::DiscreteFunction> function(
      data::DataFactory::createDiscreteFunction(x, y, 3, data::DFSP_COPY).release());
  data->appendMove("calibration", function);
  return data;
}

// Everything the binary and string forms carry beyond CSV: nested containers, arrays
// of them, function lists and arrays, an N-D array without extents, a text holding the
// separator.
inline yox::auto_ptr<data::Data> makeNestedProperty() {
  yox::auto_ptr<data::Data> data = data::DataFactory::createData();
  data->append("name", "a,b;c");
  yox::auto_ptr<data::Data> inner = data::DataFactory::createData();
  inner->append("level", 2);
  const long ids[] = {7, 8};
  inner->appendArray("ids", ids, 2);
  yox::auto_ptr<data::Data> innermost = data::DataFactory::createData();
  innermost->append("deep", true);
  inner->appendMove("inner", innermost);
  data->append("settings", *inner);
  const data::Data* elements[] = {inner.get(), inner.get()};
  data->appendArray2D("grid", elements, 1, 2);
  const int single[] = {7};
  data->appendMultiArray("scalarLike", single, std::vector<size_t>());
  const double x1[] = {0.0, 1.0};
  const double y1[] = {1.0, 2.0};
  const double x2[] = {-1.0};
  const double y2[] = {3.5};
  yox::auto_ptr<data::DiscreteFunction> f1 =
      data::DataFactory::createDiscreteFunction(x1, y1, 2, data::DFSP_COPY);
  yox::auto_ptr<data::DiscreteFunction> f2 =
      data::DataFactory::createDiscreteFunction(x2, y2, 1, data::DFSP_COPY);
  const data::DiscreteFunction* functions[] = {f1.get(), f2.get()};
  data->appendArray("curves", functions, 2);
  yox::auto_ptr<data::DiscreteFunctionListBuilder> builder =
      data::DataFactory::createDiscreteFunctionListBuilder();
  builder->append(yox::auto_ptr<const data::DiscreteFunction>(f1->clone().release()));
  builder->append(yox::auto_ptr<const data::DiscreteFunction>(f2->clone().release()));
  yox::auto_ptr<const data::DiscreteFunctionList> list(builder->build().release());
  data->appendMove("curveList", list);
  return data;
}

struct Sample {
  std::string name;
  yox::auto_ptr<data::Data> (*make)();
  bool csv;  // whether the CSV form can carry it
};

inline const std::vector<Sample>& samples() {
  static const std::vector<Sample> all = {{"property", makeTypicalProperty, true},
                                          {"nested", makeNestedProperty, false}};
  return all;
}

}  // namespace testing
}  // namespace yox
