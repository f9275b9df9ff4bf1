#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "host/DataToProp.h"
#include "host/HostEnvironment.h"
#include "host/StandInProp.h"

using yox::data::Data;

namespace {

template <class T>
VUQ_VARS valueOf(const std::vector<T>& values) {
  VUQ_VARS value;
  value.assignVector(values);
  return value;
}

yox::auto_ptr<Data> newData() { return yox::data::DataFactory::createData(); }

class DataToPropTest : public ::testing::Test {
 protected:
  void SetUp() override { yoxhost::HostEnvironment::instance().reset(); }
  // Turning a container into tags is silent.
  void TearDown() override { EXPECT_TRUE(yoxhost::HostEnvironment::instance().records().empty()); }
};

// What the host makes of a container is what the value appended to it: every element
// type, as a scalar and as an array.
TEST_F(DataToPropTest, GivesBackWhatAValueAppended) {
  const std::vector<VUQ_VARS> values = {
      valueOf(std::vector<long>{-7}),
      valueOf(std::vector<long>{1, -2, 1234567890123L}),
      valueOf(std::vector<int>{42}),
      valueOf(std::vector<int>{1, 2}),
      valueOf(std::vector<short>{-3}),
      valueOf(std::vector<short>{3, 4, 5}),
      valueOf(std::vector<double>{2.5}),
      valueOf(std::vector<double>{0.5, -1e300}),
      valueOf(std::vector<float>{1.25f}),
      valueOf(std::vector<float>{-1.5f, 3.0f}),
      valueOf(std::vector<bool>{true}),
      valueOf(std::vector<bool>{false, true, true}),
      valueOf(std::vector<std::string>{"text"}),
      valueOf(std::vector<std::string>{"a", "", "c"}),
      valueOf(std::vector<char>{'x'}),
      valueOf(std::vector<char>{'\0', '\x7f', '\x80'}),
  };
  for (const VUQ_VARS& value : values) {
    yox::auto_ptr<Data> data = newData();
    value.appendToVuqDataObject("v", *data);
    ASSERT_NE(data->getEntry("v"), nullptr) << value.toString();
    EXPECT_EQ(yoxhost::entryToValue(*data->getEntry("v")), value) << value.toString();
  }
}

TEST_F(DataToPropTest, FlattensArraysOfEveryShape) {
  yox::auto_ptr<Data> data = newData();
  const int grid[] = {1, 2, 3, 4, 5, 6};
  data->appendArray2D("grid", grid, 2, 3);
  const char* words[] = {"a", "b", "c", "d"};
  data->appendMultiArray("cube", words, std::vector<size_t>{2, 1, 2});
  const double single[] = {9.5};
  data->appendMultiArray("point", single, std::vector<size_t>{});
  const bool none[] = {true};
  data->appendArray("empty", none, 0);

  EXPECT_EQ(yoxhost::entryToValue(*data->getEntry("grid")), valueOf(std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(yoxhost::entryToValue(*data->getEntry("cube")),
            valueOf(std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(yoxhost::entryToValue(*data->getEntry("point")), valueOf(std::vector<double>{9.5}));
  const VUQ_VARS empty = yoxhost::entryToValue(*data->getEntry("empty"));
  EXPECT_TRUE(empty.isInitialised());
  EXPECT_EQ(empty, valueOf(std::vector<bool>{}));
}

// Decoded arrays are views into the message at whatever offset the names leave them;
// names of every length up to 8 shift each array through every alignment.
TEST_F(DataToPropTest, ReadsDecodedArraysAtAnyOffset) {
  const yox::auto_ptr<yox::data::DataSerializer> serializer = yox::data::DataFactory::createDataSerializer();
  const short shorts[] = {-2, 3};
  const long longs[] = {-4, 1234567890123L};
  const double doubles[] = {0.5, -1e300};
  for (size_t length = 1; length <= 8; ++length) {
    yox::auto_ptr<Data> data = newData();
    data->appendArray(std::string(length, 'a'), shorts, 2);
    data->appendArray(std::string(length, 'b'), longs, 2);
    data->appendArray(std::string(length, 'c'), doubles, 2);
    const yox::auto_ptr<Data> decoded =
        serializer->deserializeFromBinary(serializer->serializeToBinary(*data));
    EXPECT_EQ(yoxhost::entryToValue(*decoded->getEntry(std::string(length, 'a'))),
              valueOf(std::vector<short>{-2, 3}));
    EXPECT_EQ(yoxhost::entryToValue(*decoded->getEntry(std::string(length, 'b'))),
              valueOf(std::vector<long>{-4, 1234567890123L}));
    EXPECT_EQ(yoxhost::entryToValue(*decoded->getEntry(std::string(length, 'c'))),
              valueOf(std::vector<double>{0.5, -1e300}));
  }
}

TEST_F(DataToPropTest, AddsOneTagPerEntry) {
  yox::auto_ptr<Data> data = newData();
  data->append("count", 3);
  data->append("name", "pump");
  const long stamps[] = {10, 20};
  data->appendArray("stamps", stamps, 2);

  yoxhost::StandInProp prop("dev", "Acquisition");
  prop.setTag("count", valueOf(std::vector<std::string>{"old"}));
  prop.setTag("kept", valueOf(std::vector<int>{1}));
  yoxhost::addDataTags(*data, prop);

  ASSERT_EQ(prop.tags.size(), 4u);
  EXPECT_EQ(prop.tag("count")->value, valueOf(std::vector<int>{3}));
  EXPECT_EQ(prop.tag("name")->value, valueOf(std::vector<std::string>{"pump"}));
  EXPECT_EQ(prop.tag("stamps")->value, valueOf(std::vector<long>{10, 20}));
  EXPECT_EQ(prop.tag("kept")->value, valueOf(std::vector<int>{1}));
  for (const auto& entry : prop.tags) {
    EXPECT_EQ(entry.second->name, entry.first);
    if (entry.first == "kept") continue;
    EXPECT_FALSE(entry.second->valid);
    EXPECT_EQ(entry.second->seconds, 0);
  }
}

TEST_F(DataToPropTest, RefusesEntriesWithoutATagFormAndAddsNothing) {
  yox::auto_ptr<Data> nested = newData();
  nested->append("inner", 1);
  const std::vector<std::pair<std::function<void(Data&)>, std::string>> cases = {
      {[&](Data& d) { d.append("nested", *nested); },
       "entry 'nested' of type [data] cannot be carried by a tag: only bool, numeric and string entries can"},
      {[&](Data& d) {
         const Data* items[] = {nested.get()};
         d.appendArray("nested", items, 1);
       },
       "entry 'nested' of type [data_array] cannot be carried by a tag: only bool, numeric and string "
       "entries can"},
  };
  for (const auto& c : cases) {
    yox::auto_ptr<Data> data = newData();
    data->append("a", 1);
    c.first(*data);
    data->append("z", 2);
    yoxhost::StandInProp prop("dev", "Acquisition");
    prop.setTag("a", valueOf(std::vector<long>{5}));
    try {
      yoxhost::addDataTags(*data, prop);
      ADD_FAILURE() << "accepted: " << c.second;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(e.what(), c.second);
    }
    ASSERT_EQ(prop.tags.size(), 1u);
    EXPECT_EQ(prop.tag("a")->value, valueOf(std::vector<long>{5}));
  }
}

}  // namespace
