#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "host/DataToProp.h"
#include "host/StandInProp.h"
#include "support/HostLog.h"
#include "support/ValueHelpers.h"

using namespace std::string_literals;
using yox::data::Data;
using yoxtest::thrownText;
using yoxtest::valueOf;

namespace {

yox::auto_ptr<Data> newData() { return yox::data::DataFactory::createData(); }

class DataToPropTest : public yoxtest::HostTest {
 protected:
  // Turning a container into tags is silent.
  void TearDown() override { EXPECT_TRUE(yoxhost::HostEnvironment::instance().records().empty()); }
};

// What the host makes of a container is what the value appended to it: every element
// type, as a scalar and as an array; an empty value appends nothing.
TEST_F(DataToPropTest, GivesBackWhatAValueAppended) {
  const std::vector<VUQ_VARS> values = {
      valueOf({-7L}),       valueOf({1L, -2L, 1234567890123L}),
      valueOf({42}),        valueOf({1, 2}),
      valueOf<short>({-3}), valueOf<short>({3, 4, 5}),
      valueOf({2.5}),       valueOf({0.5, -1e300}),
      valueOf({1.25f}),     valueOf({-1.5f, 3.0f}),
      valueOf({true}),      valueOf({false, true, true}),
      valueOf({"text"s}),   valueOf({"a"s, ""s, "c"s}),
      valueOf<char>({'x'}), valueOf<char>({'\0', '\x7f', '\x80'}),
  };
  for (const VUQ_VARS& value : values) {
    yox::auto_ptr<Data> data = newData();
    value.appendToVuqDataObject("v", *data);
    VUQ_VARS empty = value;
    empty.clean();
    empty.appendToVuqDataObject("none", *data);
    ASSERT_TRUE(data->getSize() == 1 && data->exists("v")) << value.toString();
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

  EXPECT_EQ(yoxhost::entryToValue(*data->getEntry("grid")), valueOf({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(yoxhost::entryToValue(*data->getEntry("cube")), valueOf({"a"s, "b"s, "c"s, "d"s}));
  EXPECT_EQ(yoxhost::entryToValue(*data->getEntry("point")), valueOf({9.5}));
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
    EXPECT_EQ(yoxhost::entryToValue(*decoded->getEntry(std::string(length, 'a'))), valueOf<short>({-2, 3}));
    EXPECT_EQ(yoxhost::entryToValue(*decoded->getEntry(std::string(length, 'b'))),
              valueOf({-4L, 1234567890123L}));
    EXPECT_EQ(yoxhost::entryToValue(*decoded->getEntry(std::string(length, 'c'))), valueOf({0.5, -1e300}));
  }
}

TEST_F(DataToPropTest, AddsOneTagPerEntry) {
  yox::auto_ptr<Data> data = newData();
  data->append("count", 3);
  data->append("name", "pump");
  const long stamps[] = {10, 20};
  data->appendArray("stamps", stamps, 2);

  yoxhost::StandInProp prop("dev", "Acquisition");
  prop.setTag("count", valueOf({"old"s}));
  prop.setTag("kept", valueOf({1}));
  yoxhost::addDataTags(*data, prop);

  ASSERT_EQ(prop.tags.size(), 4u);
  EXPECT_EQ(prop.tag("count")->value, valueOf({3}));
  EXPECT_EQ(prop.tag("name")->value, valueOf({"pump"s}));
  EXPECT_EQ(prop.tag("stamps")->value, valueOf({10L, 20L}));
  EXPECT_EQ(prop.tag("kept")->value, valueOf({1}));
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
    prop.setTag("a", valueOf({5L}));
    EXPECT_EQ(thrownText<std::invalid_argument>([&] { yoxhost::addDataTags(*data, prop); }), c.second);
    ASSERT_EQ(prop.tags.size(), 1u);
    EXPECT_EQ(prop.tag("a")->value, valueOf({5L}));
  }
}

}  // namespace
