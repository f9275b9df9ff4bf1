// The container's operation families, over every element type and the three shapes:
// ownership (copy, Ptr, Move, release), exact messages, lookup, order, replacement,
// lifetime of what getters hand out, merge, remove, clone, equality and hashing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "data/BufferHandler.h"
#include "data/DataElementTypes.h"
#include "data/DiscreteFunction.h"
#include "data/impl/DataImpl.h"
#include "support/DataTestHelpers.h"

using namespace yox::data;
using yox::testing::failure;
using yox::testing::newData;

namespace {

// A few distinct values of each element type; owned(i) is a new copy of one for the Move
// families, and freeArray frees what copies and releases hand back.
template <class E>
E sample(int i) {
  if constexpr (std::is_same_v<E, bool>) {
    return i % 3 != 1;
  } else if constexpr (std::is_same_v<E, const char*>) {
    static const char* const kTexts[] = {"alpha", "", "b c", "d,e%", "~zeta", "w", "\t"};
    return kTexts[i % 7];
  } else if constexpr (std::is_same_v<E, const Data*>) {
    static std::vector<std::unique_ptr<Data>> pool;
    while (pool.size() <= static_cast<size_t>(i)) {
      pool.push_back(newData());
      pool.back()->append("i", static_cast<int>(pool.size()));
    }
    return pool[i].get();
  } else if constexpr (std::is_same_v<E, const DiscreteFunction*>) {
    return yox::testing::function({1.0 * i}, {2.0 * i});
  } else {
    return static_cast<E>(i * 37 - 90) / static_cast<E>(std::is_floating_point_v<E> ? 4 : 1);
  }
}
template <class E>
E owned(int i) {
  if constexpr (std::is_same_v<E, const char*>)
    return std::strcpy(new char[std::strlen(sample<E>(i)) + 1], sample<E>(i));
  else if constexpr (std::is_pointer_v<E>)
    return sample<E>(i)->clone().release();
  else
    return sample<E>(i);
}
template <class E>
bool same(E a, E b) {
  if constexpr (std::is_same_v<E, const char*>)
    return std::strcmp(a, b) == 0;
  else if constexpr (std::is_pointer_v<E>)
    return *a == *b;
  else
    return a == b;
}
template <class M>
void freeArray(M* p, size_t n) {
  if constexpr (std::is_same_v<M, char*>) {
    for (size_t i = 0; i < n; ++i) delete[] p[i];
  } else if constexpr (std::is_pointer_v<M>) {
    for (size_t i = 0; i < n; ++i) delete p[i];
  }
  delete[] p;
}

// The per-type getters, copies and releases of the three shapes, named once through the
// element-type table; function arrays have one dimension only.
template <class CT>
struct Family;
#define YOX_TEST_FAMILY(S, CT, MT, D1, D2, DN, ...)                                             \
  template <>                                                                                   \
  struct Family<CT> {                                                                           \
    static constexpr DataType kTypes[3] = {D1, D2, DN};                                         \
    static CT get(const Data& d, int shape, size_t& a, size_t& b, std::vector<size_t>& dims) {  \
      return shape == 0   ? d.getArray##S("v", a)                                               \
             : shape == 1 ? d.getArray##S##2D("v", a, b)                                        \
                          : d.getMultiArray##S("v", dims);                                      \
    }                                                                                           \
    static MT copy(const Data& d, int shape, size_t& a, size_t& b, std::vector<size_t>& dims) { \
      return shape == 0   ? d.getArrayCopy##S("v", a)                                           \
             : shape == 1 ? d.getArrayCopy##S##2D("v", a, b)                                    \
                          : d.getMultiArrayCopy##S("v", dims);                                  \
    }                                                                                           \
    static MT release(Data& d, int shape, size_t& a, size_t& b, std::vector<size_t>& dims) {    \
      return shape == 0   ? d.releaseArray##S("v", a)                                           \
             : shape == 1 ? d.releaseArray##S##2D("v", a, b)                                    \
                          : d.releaseMultiArray##S("v", dims);                                  \
    }                                                                                           \
  };
YOX_ARRAY_TYPES_ND(YOX_TEST_FAMILY, )
#undef YOX_TEST_FAMILY
template <>
struct Family<const DiscreteFunction**> {
  static constexpr DataType kTypes[1] = {DT_DISCRETE_FUNCTION_ARRAY};
  static const DiscreteFunction** get(const Data& d, int, size_t& a, size_t&, std::vector<size_t>&) {
    return d.getArrayDiscreteFunction("v", a);
  }
  static DiscreteFunction** copy(const Data& d, int, size_t& a, size_t&, std::vector<size_t>&) {
    return d.getArrayCopyDiscreteFunction("v", a);
  }
  static DiscreteFunction** release(Data& d, int, size_t& a, size_t&, std::vector<size_t>&) {
    return d.releaseArrayDiscreteFunction("v", a);
  }
};

enum class Own { kCopy, kPtr, kMove };

// The three shapes of six elements used by every array test: {6}, {2, 3}, {1, 2, 3}.
const std::vector<std::vector<size_t>> kShapeDims = {{6}, {2, 3}, {1, 2, 3}};
const char* const kShapeNames[] = {"1-D", "2-D", "N-D"};

template <class E>
class ArrayFamily : public ::testing::Test {
 protected:
  using CT = std::conditional_t<std::is_pointer_v<E>, E*, const E*>;
  // The element type of the arrays that copies and releases hand back.
  using ME = std::conditional_t<std::is_pointer_v<E>, std::remove_const_t<std::remove_pointer_t<E>>*, E>;
  using F = Family<CT>;
  static constexpr size_t kCount = 6;
  static constexpr int kShapes = std::size(F::kTypes);

  ArrayFamily() {
    for (int i = 0; i < static_cast<int>(kCount); ++i) values_[i] = sample<E>(i);
  }

  static CT ownedArray() {
    E* p = new E[kCount];
    for (int i = 0; i < static_cast<int>(kCount); ++i) p[i] = owned<E>(i);
    return p;
  }
  static void freeArray(ME* p) { ::freeArray(p, kCount); }

  static void append(Data& d, Own own, int shape, CT v, const std::vector<size_t>& dims) {
    const size_t a = dims[0], b = dims.size() > 1 ? dims[1] : 0;
    if constexpr (kShapes == 1) {
      return own == Own::kCopy  ? d.appendArray("v", v, a)
             : own == Own::kPtr ? d.appendArrayPtr("v", v, a)
                                : d.appendArrayMove("v", v, a);
    } else {
      switch (own) {
        case Own::kCopy:
          return shape == 0   ? d.appendArray("v", v, a)
                 : shape == 1 ? d.appendArray2D("v", v, a, b)
                              : d.appendMultiArray("v", v, dims);
        case Own::kPtr:
          return shape == 0   ? d.appendArrayPtr("v", v, a)
                 : shape == 1 ? d.appendArray2DPtr("v", v, a, b)
                              : d.appendMultiArrayPtr("v", v, dims);
        case Own::kMove:
          return shape == 0   ? d.appendArrayMove("v", v, a)
                 : shape == 1 ? d.appendArray2DMove("v", v, a, b)
                              : d.appendMultiArrayMove("v", v, dims);
      }
    }
  }

  // Calls one of the shape's accessors (get, copy or release); checks the extents it reports.
  template <class Accessor>
  static auto access(Accessor accessor, int shape) {
    size_t a = 0, b = 0;
    std::vector<size_t> dims;
    auto p = accessor(a, b, dims);
    if (shape == 0) dims = {a};
    if (shape == 1) dims = {a, b};
    EXPECT_EQ(kShapeDims[shape], dims) << kShapeNames[shape];
    return p;
  }
  static CT read(const Data& d, int shape) {
    return access(
        [&](size_t& a, size_t& b, std::vector<size_t>& dims) { return F::get(d, shape, a, b, dims); }, shape);
  }

  void expectValues(const E* p, int shape) const {
    for (size_t i = 0; i < kCount; ++i) {
      EXPECT_TRUE(same<E>(values_[i], p[i])) << kShapeNames[shape] << " element " << i;
    }
  }

  E values_[kCount];
};

using ArrayElementTypes = ::testing::Types<bool, signed char, short, int, long, float, double, const char*,
                                           const Data*, const DiscreteFunction*>;
TYPED_TEST_SUITE(ArrayFamily, ArrayElementTypes);

// Copy stores its own elements, Ptr the caller's array, Move adopts the array; only reads
// of the stored shape are accepted; what a copy or a release hands out is the caller's to
// free (ASan reports a double free or a leak otherwise), and a refused release leaves the
// entry readable.
TYPED_TEST(ArrayFamily, EachOwnershipStoresCopiesAndReleasesAsNamed) {
  using F = typename TestFixture::F;
  const char* const kRefusals[] = {"Failed to release entry 'v' that has no ownership.",
                                   "Fail to release entry 'v' that has no ownership",
                                   "Fail to release entry 'v' that has no ownership"};
  for (int shape = 0; shape < TestFixture::kShapes; ++shape) {
    for (Own own : {Own::kCopy, Own::kPtr, Own::kMove}) {
      auto d = newData();
      auto given = own == Own::kMove ? TestFixture::ownedArray() : this->values_;
      TestFixture::append(*d, own, shape, given, kShapeDims[shape]);
      EXPECT_EQ(F::kTypes[shape], d->getEntry("v")->getType());
      EXPECT_EQ(6u, d->getEntry("v")->getSize());
      EXPECT_EQ(own != Own::kPtr, d->hasOwnership("v"));
      auto stored = TestFixture::read(*d, shape);
      EXPECT_EQ(own != Own::kCopy, static_cast<const void*>(given) == static_cast<const void*>(stored));
      if constexpr (std::is_pointer_v<TypeParam>) {
        EXPECT_EQ(own != Own::kCopy, given[0] == stored[0]) << "elements are copied with the array";
      }
      this->expectValues(stored, shape);
      for (int other = 0; other < TestFixture::kShapes; ++other) {  // reads of another shape are refused
        if (other == shape) continue;
        size_t a, b;
        std::vector<size_t> dims;
        const std::string expected = "Type mismatch " + DataTypeUtils::toString(F::kTypes[other]) +
                                     ". Entry 'v' has type " + DataTypeUtils::toString(F::kTypes[shape]) +
                                     ".";
        EXPECT_EQ(expected, failure([&] { F::get(*d, other, a, b, dims); }));
        EXPECT_EQ(expected, failure([&] { F::copy(*d, other, a, b, dims); }));
        EXPECT_EQ(expected, failure([&] { F::release(*d, other, a, b, dims); }));
      }
      auto copy = TestFixture::access(
          [&](size_t& a, size_t& b, std::vector<size_t>& dims) { return F::copy(*d, shape, a, b, dims); },
          shape);
      EXPECT_NE(static_cast<const void*>(stored), static_cast<const void*>(copy));
      this->expectValues(copy, shape);
      if constexpr (std::is_same_v<TypeParam, const char*>) {
        copy[0][0] = 'X';  // the caller may change its copy
        EXPECT_STREQ("alpha", TestFixture::read(*d, shape)[0]);
      }
      TestFixture::freeArray(copy);
      const auto release = [&](size_t& a, size_t& b, std::vector<size_t>& dims) {
        return F::release(*d, shape, a, b, dims);
      };
      if (own == Own::kPtr) {
        EXPECT_EQ(kRefusals[shape], failure([&] { TestFixture::access(release, shape); }));
        this->expectValues(TestFixture::read(*d, shape), shape);
        continue;
      }
      auto released = TestFixture::access(release, shape);
      EXPECT_EQ(static_cast<const void*>(stored), static_cast<const void*>(released));
      EXPECT_FALSE(d->exists("v"));
      TestFixture::freeArray(released);
    }
  }
  // Adopted storage that is never released is freed with the container (no leak).
  auto d = newData();
  TestFixture::append(*d, Own::kMove, 0, TestFixture::ownedArray(), kShapeDims[0]);
}

TYPED_TEST(ArrayFamily, NullStorageIsRefusedUnlessTheExtentsHoldNoElement) {
  for (int shape = 0; shape < TestFixture::kShapes; ++shape) {
    for (Own own : {Own::kCopy, Own::kPtr, Own::kMove}) {
      auto d = newData();
      d->append("v", 7);
      EXPECT_EQ("Can't assign null value for array with expected size 6 for the field 'v'.",
                failure([&] { TestFixture::append(*d, own, shape, nullptr, kShapeDims[shape]); }));
      EXPECT_EQ(7, d->getInt("v"));
    }
    auto d = newData();
    std::vector<size_t> empty = kShapeDims[shape];
    empty[0] = 0;
    TestFixture::append(*d, Own::kCopy, shape, nullptr, empty);
    EXPECT_EQ(0u, d->getEntry("v")->getSize());
  }
}

TEST(ArrayExtents, AnElementCountBeyondTheAddressableSizeIsRefused) {
  auto d = newData();
  const std::vector<size_t> huge = {std::numeric_limits<size_t>::max() / 2 + 1, 2};
  const std::string refusal = "Array dimensions of the field 'v' exceed the addressable size.";
  EXPECT_EQ(refusal, failure([&] { d->appendMultiArray("v", static_cast<const int*>(nullptr), huge); }));
  EXPECT_EQ(refusal,
            failure([&] { d->appendArray2DPtr("v", static_cast<const char**>(nullptr), huge[0], 2); }));
  EXPECT_TRUE(d->isEmpty());
  // No extents hold one element.
  const int one = 5;
  d->appendMultiArray("v", &one, std::vector<size_t>{});
  std::vector<size_t> dims{9};
  EXPECT_EQ(5, d->getMultiArrayInt("v", dims)[0]);
  EXPECT_TRUE(dims.empty());
  EXPECT_EQ(1u, d->getEntry("v")->getSize());
  d->appendMultiArray("v", &one, std::vector<size_t>{2, 0, 3});
  EXPECT_EQ("", d->getEntry("v")->getValueAsString());
  // A zero extent empties the array even after extents whose product would overflow, as
  // the decoders count it (found by the binary-to-string round trip of the fuzz target).
  d->appendMultiArray("v", static_cast<const long*>(nullptr),
                      std::vector<size_t>{1853189987, 513268340, 6320128, 0});
  EXPECT_EQ(0u, d->getEntry("v")->getSize());
}

// ---- scalars ----

template <class T>
class ScalarFamily : public ::testing::Test {};
using ScalarTypes = ::testing::Types<bool, signed char, short, int, long, float, double>;
TYPED_TEST_SUITE(ScalarFamily, ScalarTypes);

TYPED_TEST(ScalarFamily, AppendCopiesTheValueAndOnlyItsOwnGetterReadsIt) {
  const TypeParam v = std::numeric_limits<TypeParam>::lowest();
  auto d = newData();
  d->append("s", v);
  const Entry& e = *d->getEntry("s");
  EXPECT_TRUE(d->hasOwnership("s"));
  EXPECT_EQ(1u, e.getSize());
#define YOX_TEST_GETTER(S, T, DT, ...) {DT, [&] { return static_cast<TypeParam>(d->get##S("s")); }},
  const std::vector<std::pair<DataType, std::function<TypeParam()>>> getters = {
      YOX_SCALAR_TYPES(YOX_TEST_GETTER, )};
#undef YOX_TEST_GETTER
  int matching = 0;
  for (const auto& [type, get] : getters) {
    if (type == e.getType()) {
      ++matching;
      EXPECT_EQ(v, get());
    } else {
      EXPECT_THROW(get(), DataException) << DataTypeUtils::toString(type);
    }
  }
  EXPECT_EQ(1, matching);
}

// The replaced entry goes with what it owned (ASan reports a leak otherwise), last in
// name order or between others.
TEST(Replacement, AnAppendReplacesTheEntryOfTheSameNameWhateverItHeld) {
  static char text[] = "t";
  const std::vector<std::function<void(Data&)>> firsts = {
      [](Data& d) { d.append("n", 5); }, [](Data& d) { d.appendPtr("n", text); },
      [](Data& d) { d.appendMove("n", std::strcpy(new char[2], "m")); },
      [](Data& d) {
        d.appendArrayMove("n", new int[2]{1, 2}, 2);
      },
      [](Data& d) { d.appendMove("n", DataFactory::createData()); }};
  for (const auto& first : firsts) {
    for (const char* other : {"a", "z"}) {
      auto d = newData();
      d->append(other, 0);
      first(*d);
      d->append("n", 2.5);
      EXPECT_EQ(2u, d->getSize());
      EXPECT_EQ(2.5, d->getDouble("n"));
    }
  }
}

// What getters hand out stays where it is while the container holds the entry, however
// many entries come and go around it, in a built and in a decoded container.
TEST(Lifetime, WhatGettersHandOutStaysValidWhileTheEntryIsHeld) {
  auto built = newData();
  built->append("s", "text");
  built->appendArray("a", std::vector<int>{1, 2, 3}.data(), 3);
  built->append("d", *built);
  yox::auto_ptr<Data> decoded = yox::testing::decode(yox::testing::encode(*built));
  EXPECT_TRUE(*built == *decoded);
  EXPECT_EQ(built->hashCode(), decoded->hashCode());
  EXPECT_EQ(built->toString(), decoded->toString());
  for (Data* d : {built.get(), decoded.get()}) {
    size_t n = 0;
    const char* s = d->getString("s");
    const int* a = d->getArrayInt("a", n);
    const Data* nested = &d->getData("d");
    const Entry* entry = d->getEntry("a");
    for (int i = 0; i < 200; ++i) d->append(std::to_string(i), i);
    for (int i = 0; i < 200; i += 2) d->remove(std::to_string(i));
    EXPECT_EQ(s, d->getString("s"));
    EXPECT_EQ(a, d->getArrayInt("a", n));
    EXPECT_EQ(nested, &d->getData("d"));
    EXPECT_EQ(entry, d->getEntry("a"));
    EXPECT_STREQ("text", s);
    EXPECT_EQ(3, yox::testing::load(a, 2));  // a decoded view may be unaligned
    EXPECT_EQ(103u, d->size());
    EXPECT_EQ(108u, d->getAllEntriesSize());
  }
  // What a decoded container hands over outlives the message.
  yox::auto_ptr<Entry> removed = decoded->remove("a");
  decoded.reset();
  EXPECT_TRUE(removed->hasOwnership());
  EXPECT_EQ("1 2 3 ", removed->getValueAsString());
}

// ---- strings ----

// Texts are checked eight bytes at a time: a bad byte at either end of a word. A refused
// text is neither stored nor taken over.
TEST(Validation, StringsMustExistAndBeSevenBitAscii) {
  const std::string notAscii = "Invalid String (contains forbidden symbols): \"";
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"", ""},
      {"\x01\x02\t\n\x7f", ""},
      {"abcdefghijklmnopq", ""},
      {nullptr, "Can't assign null value for the field \"v\"."},
      {"\x80", notAscii + "\x80\" for the field 'v'."},
      {"abcdefg\xff", notAscii + "abcdefg\xff\" for the field 'v'."},
      {"abcdefgh\xffijk", notAscii + "abcdefgh\xffijk\" for the field 'v'."},
      {"abcdefghijklmnop\x80", notAscii + "abcdefghijklmnop\x80\" for the field 'v'."},
  };
  auto d = newData();
  for (const auto& [text, error] : cases) {
    d->append("v", "kept");
    EXPECT_EQ(error, failure([&] { d->append("v", text); }));
    EXPECT_STREQ(error.empty() ? text : "kept", d->getString("v"));
  }
  for (const char* text : {static_cast<const char*>(nullptr), "caf\xC3\xA9"}) {
    EXPECT_THROW(d->appendPtr("v", text), DataException);
    EXPECT_THROW(d->appendMove("v", text), DataException);
    EXPECT_STREQ("kept", d->getString("v"));
  }
}

// Every null element is found before any text is read; only the first count are looked at.
TEST(Validation, ArraysHoldNoNullElements) {
  const std::string nullElement = "Can't assign an array with null elements for the field \"v\".";
  const char* nullThenNonAscii[] = {"a", nullptr, "\xc3\xa9"};
  const char* nonAsciiThenNull[] = {"\xc3\xa9", "a", nullptr};
  const char* nonAscii[] = {"ok", "\xff"};
  const Data* data[] = {sample<const Data*>(0), nullptr};
  const DiscreteFunction* functions[] = {yox::testing::function({1}, {2}), nullptr};
  auto d = newData();
  EXPECT_EQ(nullElement, failure([&] { d->appendArray("v", nullThenNonAscii, 3); }));
  EXPECT_EQ(nullElement, failure([&] { d->appendArray("v", nonAsciiThenNull, 3); }));
  EXPECT_EQ(nullElement, failure([&] { d->appendArrayPtr("v", data, 2); }));
  EXPECT_EQ(nullElement, failure([&] { d->appendArray("v", functions, 2); }));
  EXPECT_EQ("Invalid String (contains forbidden symbols): \"\xff\" for the field 'v'.",
            failure([&] { d->appendArray("v", nonAscii, 2); }));
  EXPECT_TRUE(d->isEmpty());
  d->appendArray("v", nullThenNonAscii, 1);
  EXPECT_EQ(1u, d->getEntry("v")->getSize());
}

// ---- nested objects ----

// Strings, nested containers, functions and lists: a copy, the caller's object (both
// spellings for strings and containers) and an adopted one; only the adopted one can be
// released.
TEST(ObjectEntries, CopyPtrAndMoveOwnTheObjectAsNamed) {
  char text[] = "hello";
  char* moved = std::strcpy(new char[6], "moved");
  auto inner = newData();
  inner->append("x", 1);
  inner->appendArray("arr", std::vector<int>{1, 2, 3}.data(), 3);
  const DiscreteFunction* f = yox::testing::function({1, 2, 3}, {4, 5, 6});
  yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
  builder->append(f->clone());
  builder->append(f->clone());
  yox::auto_ptr<DiscreteFunctionList> list = builder->build();
  Data* data = inner->clone().release();
  const DiscreteFunction* function = f->clone().release();
  const DiscreteFunctionList* functions = list->clone().release();
  auto d = newData();
  d->append("s", text);
  d->appendPtr("sp", text);
  d->appendStringPtr("sp2", text);
  d->appendMove("sm", moved);
  d->appendStringMove("sm2", std::strcpy(new char[3], "m2"));
  d->append("d", *inner);
  d->appendPtr("dp", inner.get());
  d->appendDataPtr("dp2", inner.get());
  d->appendMove("dm", yox::auto_ptr<Data>(data));
  d->append("f", *f);
  d->appendPtr("fp", f);
  d->appendMove("fm", yox::auto_ptr<const DiscreteFunction>(function));
  d->append("l", *list);
  d->appendPtr("lp", list.get());
  d->appendMove("lm", yox::auto_ptr<const DiscreteFunctionList>(functions));

  text[0] = 'J';  // a Ptr entry sees the caller's storage
  EXPECT_STREQ("hello", d->getString("s"));
  EXPECT_EQ(text, d->getString("sp"));
  EXPECT_EQ(text, d->getString("sp2"));
  EXPECT_EQ(moved, d->getString("sm"));
  EXPECT_TRUE(inner.get() != &d->getData("d") && *inner == d->getData("d"));
  EXPECT_TRUE(f != &d->getDiscreteFunction("f") && *f == d->getDiscreteFunction("f"));
  EXPECT_TRUE(list.get() != &d->getDiscreteFunctionList("l") && *list == d->getDiscreteFunctionList("l"));
  EXPECT_EQ(inner.get(), &d->getData("dp"));
  EXPECT_EQ(inner.get(), &d->getData("dp2"));
  EXPECT_EQ(f, &d->getDiscreteFunction("fp"));
  EXPECT_EQ(list.get(), &d->getDiscreteFunctionList("lp"));
  EXPECT_EQ(4u, d->getEntry("d")->getSize()) << "a nested container counts its entries' sizes";
  EXPECT_EQ(1u, d->getEntry("l")->getSize());
  EXPECT_EQ(1u, d->getEntry("s")->getSize());
  EXPECT_EQ("Failed to release entry 'sp' that has no ownership.", failure([&] { d->releaseString("sp"); }));
  EXPECT_EQ("Failed to release entry 'dp': no ownership.", failure([&] { d->releaseData("dp"); }));
  EXPECT_THROW(d->releaseDiscreteFunction("fp"), DataException);
  EXPECT_THROW(d->releaseDiscreteFunctionList("lp"), DataException);
  EXPECT_EQ(moved, std::unique_ptr<char[]>(d->releaseString("sm")).get());
  EXPECT_EQ(data, d->releaseData("dm").get());
  EXPECT_EQ(function, d->releaseDiscreteFunction("fm").get());
  EXPECT_EQ(functions, d->releaseDiscreteFunctionList("lm").get());
  EXPECT_EQ((std::vector<std::string>{"d", "dp", "dp2", "f", "fp", "l", "lp", "s", "sm2", "sp", "sp2"}),
            d->getTags());
}

TEST(NestedData, NullAndSelfAreRefused) {
  auto d = newData();
  d->append("keep", 1);
  auto before = d->clone();
  const std::string null = "Can't assign null value for the field \"n\".";
  EXPECT_EQ(null, failure([&] { d->appendPtr("n", static_cast<Data*>(nullptr)); }));
  EXPECT_EQ(null, failure([&] { d->appendDataPtr("n", nullptr); }));
  EXPECT_EQ(null, failure([&] { d->appendMove("n", yox::auto_ptr<Data>()); }));
  EXPECT_EQ(null, failure([&] { d->appendPtr("n", static_cast<const DiscreteFunction*>(nullptr)); }));
  EXPECT_EQ(null, failure([&] { d->appendMove("n", yox::auto_ptr<const DiscreteFunction>()); }));
  EXPECT_EQ(null, failure([&] { d->appendPtr("n", static_cast<const DiscreteFunctionList*>(nullptr)); }));
  EXPECT_EQ(null, failure([&] { d->appendMove("n", yox::auto_ptr<const DiscreteFunctionList>()); }));
  const std::string self = "Can't append itself - the current Data instance.";
  EXPECT_EQ(self, failure([&] { d->appendPtr("n", d.get()); }));
  // The refused self-adoption must neither delete the container nor take it over.
  EXPECT_EQ(self, failure([&] { d->appendMove("n", yox::auto_ptr<Data>(d.get())); }));
  EXPECT_TRUE(*before == *d);
}

// ---- lookup, enumeration and change ----

TEST(Lookup, EveryNamedReadOfAnAbsentEntryThrowsNotFound) {
  auto d = newData();
  size_t n, m;
  std::vector<size_t> dims;
  const std::vector<std::function<void()>> reads = {[&] { d->getInt("x"); },
                                                    [&] { d->getString("x"); },
                                                    [&] { d->getData("x"); },
                                                    [&] { d->getDiscreteFunctionList("x"); },
                                                    [&] { d->releaseString("x"); },
                                                    [&] { d->releaseData("x"); },
                                                    [&] { d->getArrayDouble("x", n); },
                                                    [&] { d->getArrayCopyString2D("x", n, m); },
                                                    [&] { d->releaseMultiArrayData("x", dims); },
                                                    [&] { d->hasOwnership("x"); }};
  for (const auto& read : reads) EXPECT_EQ("Entry 'x' not found in the Data container.", failure(read));
  EXPECT_FALSE(d->exists("x"));
  EXPECT_EQ(nullptr, d->getEntry("x"));
  EXPECT_EQ(nullptr, d->remove("x").get());
  EXPECT_TRUE(d->isEmpty());
}

TEST(Lookup, EntriesAreOrderedByteWise) {
  auto d = newData();
  for (const char* name : {"ab", "\xC3", "a", "B", "", "b"}) d->append(name, 1);
  const std::vector<std::string> expected = {"", "B", "a", "ab", "b", "\xC3"};
  EXPECT_EQ(expected, d->getTags());
  EXPECT_EQ(std::set<std::string>(expected.begin(), expected.end()), d->getEntryNames());
  std::vector<std::string> fromEntries;
  for (const Entry* e : d->getEntries()) fromEntries.push_back(e->getName());
  EXPECT_EQ(expected, fromEntries);
  EXPECT_EQ(6u, d->size());
  std::string dump;
  for (const std::string& name : expected) dump += d->getEntry(name)->toString();
  EXPECT_EQ(dump, d->toString());
  EXPECT_EQ(0u, d->toString().find("\nName : \nType : int32\nValue: 1\n\nName : B\n"));
  d->appendArray("B", std::vector<int>{1, 2}.data(), 2);
  EXPECT_NE(std::string::npos, d->toString(1).find("\nName : B\nType : int32_array[2]\nValue: 1 \n"));
}

TEST(Change, RemoveHandsTheEntryOverAndClearEmpties) {
  auto d = newData();
  int values[] = {1, 2};
  d->appendArrayPtr("p", values, 2);
  d->append("i", 3);
  yox::auto_ptr<Entry> removed = d->remove("p");
  ASSERT_NE(nullptr, removed.get());
  size_t n;
  EXPECT_EQ(values, removed->getArrayInt(n)) << "without a buffer the entry itself is handed over";
  EXPECT_FALSE(d->exists("p"));
  d->clear();
  EXPECT_TRUE(d->isEmpty());
  EXPECT_EQ("", d->toString());
}

TEST(Change, MergeMovesEveryEntryAndEmptiesTheArgument) {
  auto target = newData();
  target->append("a", 1);
  target->append("b", 2);
  auto other = newData();
  other->append("b", 20);
  other->append("c", "thirty");
  target->merge(*other);
  EXPECT_TRUE(other->isEmpty());
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), target->getTags());
  EXPECT_EQ(20, target->getInt("b"));
  EXPECT_STREQ("thirty", target->getString("c"));

  auto same = target->clone();
  auto expected = target->clone();
  target->merge(*same);
  EXPECT_TRUE(same->isEmpty());
  EXPECT_TRUE(*expected == *target);

  EXPECT_EQ("Data object cannot merge with itself.", failure([&] { target->merge(*target); }));
  EXPECT_TRUE(*expected == *target);
}

TEST(Change, CloneAndCopiesOwnAllTheirStorage) {
  int values[] = {1, 2, 3, 4};
  const char* texts[] = {"p", "q"};
  impl::DataImpl d;
  d.appendArray2DPtr("m", values, 2, 2);
  d.appendArrayPtr("t", texts, 2);
  d.appendPtr("s", texts[0]);
  yox::auto_ptr<Data> clone = d.clone();
  impl::DataImpl copy(d);
  impl::DataImpl assigned;
  assigned.append("gone", 1);
  assigned = d;
  for (const Data* c : {static_cast<const Data*>(clone.get()), static_cast<const Data*>(&copy),
                        static_cast<const Data*>(&assigned)}) {
    EXPECT_TRUE(d == *c);
    EXPECT_EQ(d.hashCode(), c->hashCode());
    for (const char* name : {"m", "t", "s"}) EXPECT_TRUE(c->hasOwnership(name)) << name;
    size_t r, k;
    EXPECT_NE(values, c->getArrayInt2D("m", r, k));
  }
  values[0] = 100;
  EXPECT_FALSE(d == *clone);
}

TEST(Compare, EqualityIsByNameTypeAndValueAndTheHashByNameOrder) {
  auto a = newData(), b = newData();
  EXPECT_TRUE(*a == *b);
  EXPECT_EQ(0x28cd93a9d8u, a->hashCode());
  a->append("x", 1);
  EXPECT_TRUE(*a != *b);
  b->append("x", 1L);
  EXPECT_FALSE(a->equals(*b)) << "same value, different type";
  b->append("x", 1);
  EXPECT_TRUE(a->equals(*b));
  a->append("y", -1L);
  b->append("a", -1L);
  EXPECT_FALSE(*a == *b) << "same values, different names";
  auto ab = newData(), ba = newData();
  ab->append("a", 1);
  ab->append("b", -1L);
  ba->append("b", -1L);
  ba->append("a", 1);
  EXPECT_EQ(0x532a45ecb3511u, ab->hashCode());
  EXPECT_EQ(ab->hashCode(), ba->hashCode());
}

}  // namespace
