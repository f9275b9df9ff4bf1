// Sampled functions, their lists and the list builder.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <list>
#include <string>
#include <vector>

#include "data/impl/DiscreteFunctionImpl.h"
#include "support/DataTestHelpers.h"

namespace {

using namespace yox::data;
using yox::testing::failure;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Null arrays are refused even for zero points, so empty vectors lend a dummy address.
yox::auto_ptr<DiscreteFunction> makeFunction(const std::vector<double>& x, const std::vector<double>& y) {
  static const double kNoPoints[1] = {0};
  return DataFactory::createDiscreteFunction(x.empty() ? kNoPoints : x.data(),
                                             y.empty() ? kNoPoints : y.data(), x.size(), DFSP_COPY);
}

// What refusing a move of new[] copies of x and y says; a refused move leaves both arrays
// with the caller, who frees them here (ASan reports a double free or a leak otherwise).
std::string moveFailure(const std::vector<double>& xs, const std::vector<double>& ys,
                        int policy = DFSP_MOVE) {
  double* x = new double[xs.size() + 1];
  double* y = new double[ys.size() + 1];
  std::copy(xs.begin(), xs.end(), x);
  std::copy(ys.begin(), ys.end(), y);
  const auto storage = static_cast<DiscreteFunctionStoragePolicy>(policy);
  const std::string error = failure([&] { DataFactory::createDiscreteFunction(x, y, xs.size(), storage); });
  if (!error.empty()) {
    delete[] x;
    delete[] y;
  }
  return error;
}

TEST(DiscreteFunctionTest, RefusesBadArraysAndLeavesThemWithTheCaller) {
  const double values[] = {1, 2};
  for (DiscreteFunctionStoragePolicy policy : {DFSP_COPY, DFSP_MOVE}) {
    EXPECT_EQ(failure([&] { DataFactory::createDiscreteFunction(nullptr, nullptr, 0, policy); }),
              "Input xArray is NULL.");
    EXPECT_EQ(failure([&] { DataFactory::createDiscreteFunction(values, nullptr, 2, policy); }),
              "Input yArray is NULL.");
  }
  EXPECT_EQ(moveFailure({1, 2}, {3, 4}, 2), "Unexpected DiscreteFunctionStoragePolicy type 2.");
  EXPECT_NE(moveFailure({0, 2, 1}, {3, 4, 5}), "");
  EXPECT_EQ(moveFailure({1, 2}, {3, 4}), "");
  double* shared = new double[2]{1, 2};
  EXPECT_EQ(failure([&] { DataFactory::createDiscreteFunction(shared, shared, 2, DFSP_MOVE); }),
            "Input xArray and yArray must be different arrays to be moved.");
  delete[] shared;
  const double xy[] = {1, 2};  // copying one array as both is harmless
  EXPECT_EQ(DataFactory::createDiscreteFunction(xy, xy, 2, DFSP_COPY)->toString(), "<1|1,2|2>");
}

TEST(DiscreteFunctionTest, XValuesMustAscendStrictlyExceptAcrossNaN) {
  const std::string duplicated = "Input array has duplicated X-coordinate: xArray[";
  const std::string descending = "Input array has descending X-coordinate: xArray[";
  const std::vector<std::pair<std::vector<double>, std::string>> cases = {
      {{}, ""},
      {{kNaN}, ""},
      {{-kInf, 0, kInf}, ""},
      {{0, kNaN, -1}, ""},
      {{kNaN, kNaN}, ""},
      {{0, 1, 1}, duplicated + "2] --> 1.000000 ."},
      {{0, 2, 1}, descending + "2] --> 1.000000 ."},
      {{3, 2, 2}, descending + "1] --> 2.000000 ."},
      {{0, -0.0}, duplicated + "1] --> -0.000000 ."},
      {{kInf, kInf}, duplicated + "1] --> inf ."},
  };
  for (const auto& [x, error] : cases) EXPECT_EQ(failure([&] { makeFunction(x, x); }), error);
}

TEST(DiscreteFunctionTest, MoveAdoptsTheArraysCopyDoesNotAndTheContainerHoldsThem) {
  double* x = new double[3]{1, 2, 3};
  double* y = new double[3]{10, 20, 30};
  yox::auto_ptr<DiscreteFunction> moved = DataFactory::createDiscreteFunction(x, y, 3, DFSP_MOVE);
  EXPECT_TRUE(moved->getXArray() == x && moved->getYArray() == y);
  const std::vector<double> xs = {1, 2, 3}, ys = {10, 20, 30};
  yox::auto_ptr<DiscreteFunction> copied = makeFunction(xs, ys);
  EXPECT_NE(copied->getXArray(), xs.data());
  EXPECT_TRUE(*copied == *moved);
  EXPECT_EQ(copied->hashCode(), moved->hashCode());
  const Data& data = dynamic_cast<const impl::DiscreteFunctionImpl&>(*copied).toData();
  size_t size = 0;
  EXPECT_EQ(data.getArrayDouble("xArray", size), copied->getXArray());
  EXPECT_EQ(data.getArrayDouble("yArray", size), copied->getYArray());
  EXPECT_EQ(size, 3u);
}

const double kX[] = {1, 2, 3};
const double kY[] = {4, 5};

TEST(DiscreteFunctionTest, BuildsFromAContainerAndChecksIt) {
  const double duplicated[] = {1, 1};
  const float floats[] = {1, 2};
  const std::vector<std::pair<std::function<void(Data&)>, std::string>> cases = {
      {[](Data& d) { d.appendArray("xArray", kX, 2); }, ""},
      {[](Data& d) { d.appendArray("xArray", kX, 3); },
       "Input arrays size mismatch: xArray[3] <--> yArray[2]."},
      {[&](Data& d) { d.appendArray("xArray", floats, 2); },
       "Type mismatch double_array. Entry 'xArray' has type float_array."},
      {[&](Data& d) { d.appendArray("xArray", duplicated, 2); },
       "Input array has duplicated X-coordinate: xArray[1] --> 1.000000 ."},
      {[](Data& d) {
         d.appendArray("xArray", kX, 3);
         d.remove("yArray");
       },
       "Entry 'yArray' not found in the Data container."},
  };
  for (const auto& [fill, error] : cases) {
    yox::auto_ptr<Data> data = DataFactory::createData();
    data->appendArray("yArray", kY, 2);
    fill(*data);
    // On failure the constructor destroys the container it was given.
    EXPECT_EQ(failure([&] { EXPECT_EQ(impl::DiscreteFunctionImpl(data).toString(), "<1|4,2|5>"); }), error);
  }
  EXPECT_EQ(failure([] { impl::DiscreteFunctionImpl function((yox::auto_ptr<Data>())); }),
            "Input Data object is NULL.");
}

TEST(DiscreteFunctionTest, PrintsPointsUpToTheLimit) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {makeFunction({1, 3}, {2, 4})->toString(), "<1|2,3|4>"},
      {makeFunction({}, {})->toString(0), "<>"},
      {makeFunction({1, 2, 3}, {4, 5, 6})->toString(1), "<1|4 ... >"},
      {makeFunction({1, 2, 3}, {4, 5, 6})->toString(3), "<1|4,2|5,3|6>"},
      {makeFunction({1, 2}, {4, 5})->toString(0), "< ... >"},
      {makeFunction({0.1, 1e300}, {-0.0, kNaN})->toString(),
       "<0.10000000000000001|-0,1.0000000000000001e+300|nan>"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
}

TEST(DiscreteFunctionTest, EqualityHashAndCloneFollowThePoints) {
  yox::auto_ptr<DiscreteFunction> a = makeFunction({1, 2}, {3, 4});
  EXPECT_TRUE(*a == *makeFunction({1, 2}, {3, 4}) && !(*a != *makeFunction({1, 2}, {3, 4})));
  for (const auto& other : {makeFunction({1, 2}, {3, 5}), makeFunction({1, 3}, {3, 4}),
                            makeFunction({1}, {3}), makeFunction({}, {})}) {
    EXPECT_TRUE(*a != *other && !(*a == *other)) << other->toString();
    EXPECT_NE(a->hashCode(), other->hashCode()) << other->toString();
  }
  EXPECT_TRUE(*makeFunction({}, {}) == *makeFunction({}, {}));

  yox::auto_ptr<DiscreteFunction> copy = a->clone();
  EXPECT_NE(copy->getXArray(), a->getXArray());
  EXPECT_EQ(copy->hashCode(), a->hashCode());
  a.reset();
  EXPECT_EQ(copy->toString(), "<1|3,2|4>");
}

// ---- lists and the builder ----

yox::auto_ptr<DiscreteFunctionList> buildList(const std::vector<std::vector<double>>& xs) {
  yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
  for (const std::vector<double>& x : xs)
    builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction(x, x).release()));
  return builder->build();
}

TEST(DiscreteFunctionListTest, BuilderHandsOverItsFunctionsInOrderAndCanBeReused) {
  yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
  yox::auto_ptr<DiscreteFunction> first = makeFunction({1}, {2}), second = makeFunction({3}, {4});
  const std::list<const DiscreteFunction*> addresses = {first.get(), second.get()};
  builder->append(yox::auto_ptr<const DiscreteFunction>(first.release()));
  builder->append(yox::auto_ptr<const DiscreteFunction>(second.release()));
  yox::auto_ptr<DiscreteFunctionList> list = builder->build();
  EXPECT_EQ(list->getFunctions(), addresses);
  EXPECT_EQ(&list->getFunction(1), addresses.back());
  EXPECT_EQ(failure([&] { list->getFunction(2); }),
            "Provided function index '2' is out of allowed range [0, 1].");
  EXPECT_EQ(failure([&] { builder->build()->getFunction(0); }),
            "Provided function index '0' is out of allowed range [0, -1].");

  EXPECT_EQ(failure([&] { builder->append(yox::auto_ptr<const DiscreteFunction>()); }),
            "Provided DiscreteFunction instance is null.");
  builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction({1}, {2}).release()));
  builder->clear();
  builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction({7}, {8}).release()));
  EXPECT_EQ(builder->build()->toString(), "<<7|8>>");
  // Functions still in a builder are freed with it (checked by the leak sanitizer).
  builder->append(yox::auto_ptr<const DiscreteFunction>(makeFunction({5}, {6}).release()));
}

TEST(DiscreteFunctionListTest, EqualityHashPrintAndCloneGoFunctionByFunction) {
  yox::auto_ptr<DiscreteFunctionList> list = buildList({{1, 2}, {3}});
  EXPECT_TRUE(*list == *buildList({{1, 2}, {3}}) && !(*list != *buildList({{1, 2}, {3}})));
  EXPECT_EQ(list->hashCode(), list->getFunction(0).hashCode() + list->getFunction(1).hashCode());
  for (const auto& other : {buildList({{3}, {1, 2}}), buildList({{1, 2}}), buildList({{1, 2}, {4}})}) {
    EXPECT_TRUE(*list != *other && !(*list == *other)) << other->toString();
  }
  EXPECT_TRUE(*buildList({}) == *buildList({}));
  EXPECT_EQ(buildList({})->hashCode(), 0u);
  EXPECT_EQ(list->toString(1), "<<1|1 ... >,\n<3|3>>");
  EXPECT_EQ(buildList({})->toString(), "<>");

  yox::auto_ptr<DiscreteFunctionList> copy = list->clone();
  EXPECT_NE(&copy->getFunction(0), &list->getFunction(0));
  list.reset();
  EXPECT_EQ(copy->toString(), "<<1|1,2|2>,\n<3|3>>");
}

}  // namespace
