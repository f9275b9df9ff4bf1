// Sampled functions, their lists and the list builder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <list>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DiscreteFunction.h"
#include "data/impl/DiscreteFunctionImpl.h"

namespace yox {
namespace data {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

template <typename Call>
std::string failureOf(Call call) {
  try {
    call();
  } catch (const DataException& e) {
    return e.what();
  }
  return "";
}

// Null arrays are refused even for zero points, so empty vectors lend a dummy address.
yox::auto_ptr<DiscreteFunction> makeFunction(const std::vector<double>& x, const std::vector<double>& y) {
  static const double kNoPoints[1] = {0};
  return DataFactory::createDiscreteFunction(x.empty() ? kNoPoints : x.data(),
                                             y.empty() ? kNoPoints : y.data(), x.size(), DFSP_COPY);
}

// Arrays from new[] for the move policy; frees them unless handed over.
struct OwnedArrays {
  double* x;
  double* y;
  size_t size;
  OwnedArrays(const std::vector<double>& xs, const std::vector<double>& ys)
      : x(new double[xs.size()]), y(new double[ys.size()]), size(xs.size()) {
    std::copy(xs.begin(), xs.end(), x);
    std::copy(ys.begin(), ys.end(), y);
  }
  ~OwnedArrays() {
    delete[] x;
    delete[] y;
  }
  void handOver() { x = y = nullptr; }
};

// Another implementation of the interface, to check how the library treats strangers.
class ForeignFunction : public DiscreteFunction {
 public:
  size_t getSize() const override { return 0; }
  const double* getXArray() const override { return nullptr; }
  const double* getYArray() const override { return nullptr; }
  std::string toString() const override { return "<>"; }
  std::string toString(size_t) const override { return "<>"; }
  yox::auto_ptr<DiscreteFunction> clone() const override {
    return yox::auto_ptr<DiscreteFunction>(new ForeignFunction);
  }
  bool operator==(const DiscreteFunction&) const override { return false; }
  bool operator!=(const DiscreteFunction&) const override { return true; }
  size_t hashCode() const override { return 0; }
};

TEST(DiscreteFunctionTest, NullArraysAreRejectedXFirst) {
  const double values[] = {1, 2};
  for (DiscreteFunctionStoragePolicy policy : {DFSP_COPY, DFSP_MOVE}) {
    EXPECT_EQ(failureOf([&] { DataFactory::createDiscreteFunction(nullptr, values, 2, policy); }),
              "Input xArray is NULL.");
    EXPECT_EQ(failureOf([&] { DataFactory::createDiscreteFunction(values, nullptr, 2, policy); }),
              "Input yArray is NULL.");
    EXPECT_EQ(failureOf([&] { DataFactory::createDiscreteFunction(nullptr, nullptr, 0, policy); }),
              "Input xArray is NULL.");
  }
}

TEST(DiscreteFunctionTest, XValuesMustAscendStrictlyExceptAcrossNaN) {
  struct Case {
    std::vector<double> x;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{5}, ""},
      {{kNaN}, ""},
      {{0, 1, 2.5}, ""},
      {{-kInf, 0, kInf}, ""},
      {{0, kNaN, -1}, ""},
      {{kNaN, kNaN}, ""},
      {{0, 1, 1}, "Input array has duplicated X-coordinate: xArray[2] --> 1.000000 ."},
      {{0, 2, 1}, "Input array has descending X-coordinate: xArray[2] --> 1.000000 ."},
      {{1, 1, 0}, "Input array has duplicated X-coordinate: xArray[1] --> 1.000000 ."},
      {{3, 2, 2}, "Input array has descending X-coordinate: xArray[1] --> 2.000000 ."},
      {{0, -0.0}, "Input array has duplicated X-coordinate: xArray[1] --> -0.000000 ."},
      {{kInf, kInf}, "Input array has duplicated X-coordinate: xArray[1] --> inf ."},
      {{0, 1, 2, 3, -1e6}, "Input array has descending X-coordinate: xArray[4] --> -1000000.000000 ."},
  };
  for (const Case& c : cases) {
    const std::vector<double> y(c.x.size(), 7.0);
    EXPECT_EQ(failureOf([&] { makeFunction(c.x, y); }), c.expected);

    // A failed move leaves both arrays with the caller (freed here; ASan reports a
    // double free or a leak otherwise).
    OwnedArrays arrays(c.x, y);
    EXPECT_EQ(failureOf([&] {
                DataFactory::createDiscreteFunction(arrays.x, arrays.y, arrays.size, DFSP_MOVE);
                arrays.handOver();
              }),
              c.expected);
  }
}

TEST(DiscreteFunctionTest, UnknownPolicyIsRejectedAndTheCallerKeepsTheArrays) {
  OwnedArrays arrays({1, 2}, {3, 4});
  EXPECT_EQ(failureOf([&] {
              DataFactory::createDiscreteFunction(arrays.x, arrays.y, 2,
                                                  static_cast<DiscreteFunctionStoragePolicy>(2));
            }),
            "Unexpected DiscreteFunctionStoragePolicy type 2.");
  EXPECT_EQ(arrays.x[1], 2.0);
}

TEST(DiscreteFunctionTest, MovingOneArrayAsBothXAndYIsRejected) {
  double* shared = new double[2]{1, 2};
  EXPECT_EQ(failureOf([&] { DataFactory::createDiscreteFunction(shared, shared, 2, DFSP_MOVE); }),
            "Input xArray and yArray must be different arrays to be moved.");
  delete[] shared;
  // Copying the same array twice is harmless: y = x.
  const double xy[] = {1, 2};
  EXPECT_EQ(DataFactory::createDiscreteFunction(xy, xy, 2, DFSP_COPY)->toString(), "<1|1,2|2>");
}

TEST(DiscreteFunctionTest, MoveAdoptsTheArraysAndCopyDoesNot) {
  OwnedArrays arrays({1, 2, 3}, {10, 20, 30});
  yox::auto_ptr<DiscreteFunction> moved =
      DataFactory::createDiscreteFunction(arrays.x, arrays.y, arrays.size, DFSP_MOVE);
  EXPECT_EQ(moved->getXArray(), arrays.x);
  EXPECT_EQ(moved->getYArray(), arrays.y);
  arrays.handOver();

  const std::vector<double> x = {1, 2, 3};
  const std::vector<double> y = {10, 20, 30};
  yox::auto_ptr<DiscreteFunction> copied = makeFunction(x, y);
  EXPECT_NE(copied->getXArray(), x.data());
  EXPECT_EQ(std::vector<double>(copied->getXArray(), copied->getXArray() + 3), x);
  EXPECT_EQ(std::vector<double>(copied->getYArray(), copied->getYArray() + 3), y);
  EXPECT_EQ(copied->getSize(), 3u);
  EXPECT_TRUE(*copied == *moved);
  EXPECT_EQ(copied->hashCode(), moved->hashCode());
}

TEST(DiscreteFunctionTest, KeepsItsPointsInAPrivateContainer) {
  yox::auto_ptr<DiscreteFunction> function = makeFunction({1, 2}, {3, 4});
  const Data& data = dynamic_cast<const impl::DiscreteFunctionImpl&>(*function).toData();
  EXPECT_EQ(data.getTags(), (std::vector<std::string>{"xArray", "yArray"}));
  size_t size = 0;
  EXPECT_EQ(data.getArrayDouble("xArray", size), function->getXArray());
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(data.getArrayDouble("yArray", size), function->getYArray());
}

// Arrays for filling containers by hand.
const double kX[] = {1, 2, 3};
const double kY[] = {4, 5};
const double kDuplicatedX[] = {1, 1};
const float kFloatX[] = {1, 2};

TEST(DiscreteFunctionTest, BuildsFromAContainerAndChecksIt) {
  struct Case {
    const char* what;
    void (*fill)(Data&);
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"valid",
       [](Data& d) {
         d.appendArray("xArray", kX, 2);
         d.appendArray("yArray", kY, 2);
       },
       ""},
      {"size mismatch",
       [](Data& d) {
         d.appendArray("xArray", kX, 3);
         d.appendArray("yArray", kY, 2);
       },
       "Input arrays size mismatch: xArray[3] <--> yArray[2]."},
      {"no y", [](Data& d) { d.appendArray("xArray", kX, 3); },
       "Entry 'yArray' not found in the Data container."},
      {"float x",
       [](Data& d) {
         d.appendArray("xArray", kFloatX, 2);
         d.appendArray("yArray", kY, 2);
       },
       "Type mismatch double_array. Entry 'xArray' has type float_array."},
      {"duplicated x",
       [](Data& d) {
         d.appendArray("xArray", kDuplicatedX, 2);
         d.appendArray("yArray", kY, 2);
       },
       "Input array has duplicated X-coordinate: xArray[1] --> 1.000000 ."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    yox::auto_ptr<Data> data = DataFactory::createData();
    c.fill(*data);
    // On failure the constructor destroys the container it was given.
    EXPECT_EQ(failureOf([&] {
                impl::DiscreteFunctionImpl function(data);
                EXPECT_EQ(function.toString(), "<1|4,2|5>");
              }),
              c.expected);
  }
  EXPECT_EQ(failureOf([] { impl::DiscreteFunctionImpl function((yox::auto_ptr<Data>())); }),
            "Input Data object is NULL.");
}

TEST(DiscreteFunctionTest, PrintsPointsUpToTheLimit) {
  struct Case {
    std::vector<double> x;
    std::vector<double> y;
    size_t maxPoints;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{1, 3}, {2, 4}, SIZE_MAX, "<1|2,3|4>"},
      {{}, {}, SIZE_MAX, "<>"},
      {{}, {}, 0, "<>"},
      {{1, 2, 3}, {4, 5, 6}, 1, "<1|4 ... >"},
      {{1, 2, 3}, {4, 5, 6}, 3, "<1|4,2|5,3|6>"},
      {{1, 2}, {4, 5}, 0, "< ... >"},
      {{0.1, 1e300}, {-0.0, kNaN}, SIZE_MAX, "<0.10000000000000001|-0,1.0000000000000001e+300|nan>"},
      {{-kInf}, {kInf}, SIZE_MAX, "<-inf|inf>"},
  };
  for (const Case& c : cases) {
    yox::auto_ptr<DiscreteFunction> function = makeFunction(c.x, c.y);
    EXPECT_EQ(function->toString(c.maxPoints), c.expected);
    if (c.maxPoints == SIZE_MAX) {
      EXPECT_EQ(function->toString(), c.expected);
    }
  }
}

TEST(DiscreteFunctionTest, EqualityAndHashFollowThePoints) {
  yox::auto_ptr<DiscreteFunction> a = makeFunction({1, 2}, {3, 4});
  yox::auto_ptr<DiscreteFunction> same = makeFunction({1, 2}, {3, 4});
  yox::auto_ptr<DiscreteFunction> otherY = makeFunction({1, 2}, {3, 5});
  yox::auto_ptr<DiscreteFunction> otherX = makeFunction({1, 3}, {3, 4});
  yox::auto_ptr<DiscreteFunction> shorter = makeFunction({1}, {3});
  yox::auto_ptr<DiscreteFunction> empty = makeFunction({}, {});

  EXPECT_TRUE(*a == *same);
  EXPECT_FALSE(*a != *same);
  EXPECT_EQ(a->hashCode(), same->hashCode());
  for (const DiscreteFunction* other : {otherY.get(), otherX.get(), shorter.get(), empty.get()}) {
    EXPECT_FALSE(*a == *other) << other->toString();
    EXPECT_TRUE(*a != *other) << other->toString();
    EXPECT_NE(a->hashCode(), other->hashCode()) << other->toString();
  }
  EXPECT_TRUE(*empty == *makeFunction({}, {}));

  ForeignFunction stranger;
  EXPECT_THROW((void)(*a == stranger), std::bad_cast);
}

TEST(DiscreteFunctionTest, CloneIsAnIndependentEqualCopy) {
  yox::auto_ptr<DiscreteFunction> original = makeFunction({1, 2, 3}, {4, 5, 6});
  yox::auto_ptr<DiscreteFunction> copy = original->clone();
  EXPECT_NE(copy->getXArray(), original->getXArray());
  EXPECT_TRUE(*copy == *original);
  EXPECT_EQ(copy->hashCode(), original->hashCode());
  original.reset();
  EXPECT_EQ(copy->toString(), "<1|4,2|5,3|6>");
}

TEST(DiscreteFunctionTest, ContainersStoreFunctionsByCopyReferenceOrAdoption) {
  yox::auto_ptr<DiscreteFunction> function = makeFunction({1, 2}, {3, 4});
  yox::auto_ptr<Data> data = DataFactory::createData();
  data->append("copy", *function);
  data->appendPtr("ptr", function.get());
  data->appendMove("moved", yox::auto_ptr<const DiscreteFunction>(makeFunction({5}, {6}).release()));
  EXPECT_NE(&data->getDiscreteFunction("copy"), function.get());
  EXPECT_TRUE(data->getDiscreteFunction("copy") == *function);
  EXPECT_EQ(&data->getDiscreteFunction("ptr"), function.get());
  EXPECT_EQ(data->getDiscreteFunction("moved").toString(), "<5|6>");
}

// ---- lists and the builder ----

yox::auto_ptr<DiscreteFunctionList> buildList(const std::vector<std::vector<double>>& xs) {
  yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
  for (const std::vector<double>& x : xs) {
    builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction(x, x).release()));
  }
  return builder->build();
}

TEST(DiscreteFunctionListTest, BuilderHandsOverItsFunctionsInOrderAndCanBeReused) {
  yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
  yox::auto_ptr<DiscreteFunction> first = makeFunction({1}, {2});
  yox::auto_ptr<DiscreteFunction> second = makeFunction({3}, {4});
  const DiscreteFunction* firstAddress = first.get();
  const DiscreteFunction* secondAddress = second.get();
  builder->append(yox::auto_ptr<const DiscreteFunction>(first.release()));
  builder->append(yox::auto_ptr<const DiscreteFunction>(second.release()));

  yox::auto_ptr<DiscreteFunctionList> list = builder->build();
  ASSERT_EQ(list->getSize(), 2u);
  EXPECT_EQ(&list->getFunction(0), firstAddress);
  EXPECT_EQ(&list->getFunction(1), secondAddress);
  EXPECT_EQ(list->getFunctions(), (std::list<const DiscreteFunction*>{firstAddress, secondAddress}));

  // The builder is empty afterwards and builds again.
  EXPECT_EQ(builder->build()->getSize(), 0u);
  builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction({7}, {8}).release()));
  EXPECT_EQ(builder->build()->toString(), "<<7|8>>");
}

TEST(DiscreteFunctionListTest, BuilderRejectsNullAndClearDestroysAppendedFunctions) {
  yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
  builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction({1}, {2}).release()));
  EXPECT_EQ(failureOf([&] { builder->append(yox::auto_ptr<const DiscreteFunction>()); }),
            "Provided DiscreteFunction instance is null.");
  EXPECT_EQ(builder->build()->getSize(), 1u);

  builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction({1}, {2}).release()));
  builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction({3}, {4}).release()));
  builder->clear();
  EXPECT_EQ(builder->build()->getSize(), 0u);

  // Functions still in a builder are freed with it (checked by the leak sanitizer).
  builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction({5}, {6}).release()));
  builder.reset();
}

TEST(DiscreteFunctionListTest, IndexOutOfRangeNamesTheAllowedRange) {
  yox::auto_ptr<DiscreteFunctionList> two = buildList({{1}, {2}});
  yox::auto_ptr<DiscreteFunctionList> none = buildList({});
  EXPECT_EQ(failureOf([&] { two->getFunction(5); }),
            "Provided function index '5' is out of allowed range [0, 1].");
  EXPECT_EQ(failureOf([&] { two->getFunction(2); }),
            "Provided function index '2' is out of allowed range [0, 1].");
  EXPECT_EQ(failureOf([&] { none->getFunction(0); }),
            "Provided function index '0' is out of allowed range [0, -1].");
  EXPECT_EQ(failureOf([&] { two->getFunction(1); }), "");
}

TEST(DiscreteFunctionListTest, PrintsFunctionsOnePerLine) {
  yox::auto_ptr<DiscreteFunctionList> list = buildList({{1, 2}, {3}});
  EXPECT_EQ(list->toString(), "<<1|1,2|2>,\n<3|3>>");
  EXPECT_EQ(list->toString(1), "<<1|1 ... >,\n<3|3>>");
  EXPECT_EQ(buildList({})->toString(), "<>");
}

TEST(DiscreteFunctionListTest, EqualityHashAndCloneGoFunctionByFunction) {
  yox::auto_ptr<DiscreteFunctionList> list = buildList({{1, 2}, {3}});
  yox::auto_ptr<DiscreteFunctionList> same = buildList({{1, 2}, {3}});
  yox::auto_ptr<DiscreteFunctionList> reordered = buildList({{3}, {1, 2}});
  yox::auto_ptr<DiscreteFunctionList> shorter = buildList({{1, 2}});

  EXPECT_TRUE(*list == *same);
  EXPECT_FALSE(*list != *same);
  EXPECT_EQ(list->hashCode(), same->hashCode());
  EXPECT_TRUE(*list != *reordered);
  EXPECT_TRUE(*list != *shorter);
  EXPECT_TRUE(*buildList({}) == *buildList({}));
  EXPECT_EQ(buildList({})->hashCode(), 0u);
  EXPECT_EQ(list->hashCode(), list->getFunction(0).hashCode() + list->getFunction(1).hashCode());

  yox::auto_ptr<DiscreteFunctionList> copy = list->clone();
  EXPECT_TRUE(*copy == *list);
  EXPECT_NE(&copy->getFunction(0), &list->getFunction(0));
  list.reset();
  EXPECT_EQ(copy->toString(), "<<1|1,2|2>,\n<3|3>>");
}

}  // namespace
}  // namespace data
}  // namespace yox
