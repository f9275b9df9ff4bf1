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

// A function of the points (x[i], y[i]), at least one.
inline yox::auto_ptr<data::DiscreteFunction> points(const std::vector<double>& x,
                                                    const std::vector<double>& y) {
  return data::DataFactory::createDiscreteFunction(x.data(), y.data(), x.size(), data::DFSP_COPY);
}

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
  data->appendArray("samples", std::vector<double>{0.5, -1.25, 3e-3, 1e10, -0.0, 7.0}.data(), 6);
  data->appendArray2D("matrix", std::vector<int>{1, 2, 3, 4, 5, 6}.data(), 2, 3);
  data->appendMultiArray("cube", std::vector<short>{1, 2, 3, 4, 5, 6, 7, 8}.data(),
                         std::vector<size_t>{2, 2, 2});
  const bool flags[] = {true, false, true};
  data->appendArray("flags", flags, 3);
  data->appendArray("raw", std::vector<signed char>{0, 1, -1, 127, -128}.data(), 5);
  data->appendArray("labels", std::vector<const char*>{"x", "", "y z", "a:b"}.data(), 4);
  data->appendArray("empty", std::vector<float>{0.0f}.data(), 0);
  data->append("calibration", *points({0.0, 1.0, 2.5}, {10.0, 20.0, -5.0}));
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
  inner->appendArray("ids", std::vector<long>{7, 8}.data(), 2);
  yox::auto_ptr<data::Data> innermost = data::DataFactory::createData();
  innermost->append("deep", true);
  inner->appendMove("inner", innermost);
  data->append("settings", *inner);
  data->appendArray2D("grid", std::vector<const data::Data*>{inner.get(), inner.get()}.data(), 1, 2);
  data->appendMultiArray("scalarLike", std::vector<int>{7}.data(), std::vector<size_t>());
  const yox::auto_ptr<data::DiscreteFunction> f1 = points({0.0, 1.0}, {1.0, 2.0}), f2 = points({-1.0}, {3.5});
  data->appendArray("curves", std::vector<const data::DiscreteFunction*>{f1.get(), f2.get()}.data(), 2);
  yox::auto_ptr<data::DiscreteFunctionListBuilder> builder =
      data::DataFactory::createDiscreteFunctionListBuilder();
  builder->append(f1->clone());
  builder->append(f2->clone());
  data->append("curveList", *builder->build());
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
