// Input an attacker or a careless integrator would send: each decoder's table of hostile
// inputs, the writers' refusals of what would not read back, independence of the process
// locale, and the memory a decode takes per byte of input. This executable counts every
// allocation (operator new below), so the memory shapes are measured in bytes, not time.
#include <gtest/gtest.h>
#include <malloc.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <locale>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "data/StringUtils.h"
#include "support/SerializerSamples.h"
#include "support/SerializerTestUtils.h"

namespace {

size_t gLive = 0;
size_t gPeak = 0;

void* counted(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  gLive += malloc_usable_size(p);
  if (gLive > gPeak) gPeak = gLive;
  return p;
}

void uncounted(void* p) {
  if (p == nullptr) return;
  gLive -= malloc_usable_size(p);
  std::free(p);
}

}  // namespace

void* operator new(size_t size) { return counted(size); }
void* operator new[](size_t size) { return counted(size); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, size_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t) noexcept { uncounted(p); }

namespace {

using namespace yox::data;
using namespace yox::testing;

std::string repeat(const std::string& piece, size_t times) {
  std::string text;
  for (size_t i = 0; i < times; ++i) text += piece;
  return text;
}

yox::auto_ptr<Data> decodeForm(char form, const std::string& text) {
  if (form == 'b') return decode(Bytes(text.begin(), text.end()));
  if (form == 's') return theSerializer().deserializeFromString(text, ',');
  return theSerializer().deserializeFromCsv(text.c_str());
}

// The shapes that blew up: a decode ('b'inary, 's'tring or 'c'SV) holds at its peak at
// most 8 bytes per input byte beyond what the decoded container keeps (a refused one,
// beyond nothing).
TEST(HostileInput, DecodingTakesAtMostEightBytesPerInputByteBeyondWhatItKeeps) {
  constexpr size_t kSize = 1 << 20;
  yox::auto_ptr<Data> element = filled([](Data& d) { d.append("i", 1); });
  std::vector<const Data*> elements(kSize / 16, element.get());
  const Bytes binary =
      encode(*filled([&](Data& d) { d.appendArray("a", elements.data(), elements.size()); }));
  const std::vector<std::tuple<char, std::string, bool>> shapes = {
      {'c', "f,discreteFunction_list," + repeat("0;0,", kSize / 4), false},
      {'c', "a,int32_array[1],1" + std::string(kSize, ':'), true},
      {'c', "a,int32,5" + std::string(kSize, ','), false},
      {'c', "a,int32_array[" + std::to_string(kSize / 2) + "],1" + repeat(":1", kSize / 2 - 1), false},
      {'s', "1,a,string_array," + std::to_string(kSize) + std::string(kSize, ','), false},
      {'s', "1,a,data_array," + std::to_string(kSize / 2) + repeat(",0", kSize / 2), false},
      {'b', std::string(binary.begin(), binary.end()), false},
  };
  for (const auto& [form, text, refused] : shapes) {
    const size_t before = gLive;
    size_t kept = 0;
    gPeak = gLive;
    const std::string error = refusal([&, form = form, &text = text] {
      yox::auto_ptr<Data> data = decodeForm(form, text);
      kept = gLive - before;
    });
    EXPECT_EQ(error.empty(), !refused) << text.substr(0, 30) << ": " << error;
    EXPECT_LE(gPeak - before - kept, 8 * text.size()) << text.substr(0, 30);
  }
}

// Each of these once came out of its reader different from what was written.
TEST(HostileInput, WritersRefuseWhatWouldNotReadBackNamingTheEntry) {
  const std::string csv = "' cannot be written as CSV: ",
                    badName = "its name is empty or holds a comma or a line feed.",
                    noPoints = "a discrete function of no points cannot stand in a list or an array.",
                    backslash =
                        "' holds a backslash before 'n' or a double quote, which would not read back.",
                    text = "' cannot be written in the string format: its name holds the separator '";
  yox::auto_ptr<Data> injected = DataFactory::createData();  // a name injecting lines, from a binary message
  injected->append("x,int32,1\nadmin,bool,true\ny", 1);
  const Bytes injectedBytes = encode(*injected);
  const char* quoteColon[] = {"y z\":", "b"};
  const DiscreteFunction* empty[] = {function({}, {})};
  // separator 0: CSV; otherwise the string format with this separator.
  const std::vector<std::tuple<std::function<void(Data&)>, char, std::string>> cases = {
      {[&](Data& d) {  // merged into a container that already had an entry
         d.append("holder", 0);
         d.remove("holder");
         d.merge(*decode(injectedBytes));
       },
       0, "Entry 'x,int32,1\\x0Aadmin,bool,true\\x0Ay" + csv + badName},
      {[](Data& d) { d.append("", 1); }, 0, "Entry '" + csv + badName},
      {[](Data& d) { d.append("s", "C:\\new\\table"); }, 0,
       "Entry 's" + csv + "the text 'C:\\\\new\\\\table" + backslash},
      {[](Data& d) { d.append("s", "a\\\"b"); }, 0, "Entry 's" + csv + "the text 'a\\\\\"b" + backslash},
      {[&](Data& d) { d.appendArray("t", quoteColon, 2); }, 0,
       "Entry 't" + csv +
           "the string array element 'y z\":' ends with '\":' and would merge with the next one."},
      {[](Data& d) {
         d.append("l", *functionList({function({0}, {1}), function({}, {})}));
       },
       0, "Entry 'l" + csv + noPoints},
      {[&](Data& d) { d.appendArray("a", empty, 1); }, 0, "Entry 'a" + csv + noPoints},
      {[](Data& d) {
         d.appendMultiArray("m", static_cast<const int*>(nullptr), std::vector<size_t>{8192, 4096, 0});
       },
       0, "Entry 'm" + csv + "an array of no elements with more than [16777216] rows is refused."},
      {[](Data& d) { d.append("n,int,7,m", 5); }, ',', "Entry 'n,int,7,m" + text + ",' or a line feed."},
      {[](Data& d) { d.append("a\nb", 5); }, ' ', "Entry 'a\\x0Ab" + text + " ' or a line feed."},
      {[](Data& d) { d.append("d", *filled([](Data& inner) { inner.append("a/b", 1); })); }, '/',
       "Entry 'a/b" + text + "/' or a line feed."},
  };
  for (const auto& [fill, separator, error] : cases) {
    yox::auto_ptr<Data> data = filled(fill);
    EXPECT_EQ(messageOf<SerializerException>([&, separator = separator] {
                separator == 0 ? theSerializer().serializeToCsv(*data)
                               : theSerializer().serializeToString(*data, separator);
              }),
              error);
  }
}

TEST(HostileInput, StringFormatRefusesSeparatorsThatCanOccurInsideATokenAndTakesTheRest) {
  yox::auto_ptr<Data> data = DataFactory::createData();
  data->append("s", "any text: 100%, -1.5e+3_x");
  data->append("v", -7);
  for (int c = 0; c < 256; ++c) {
    const char separator = static_cast<char>(c);
    const bool usable = c > 0 && c < '0' && c != '%' && c != '-' && c != '+' && c != '.';
    const std::string error = refusal([&] {
      const std::string text = theSerializer().serializeToString(*data, separator);
      EXPECT_TRUE(*theSerializer().deserializeFromString(text, separator) == *data) << "separator " << c;
    });
    EXPECT_EQ(error, usable ? ""
                            : "The separator '" + yox::util::printableExcerpt(std::string(1, separator)) +
                                  "' cannot be used: it can occur inside a token.");
  }
}

TEST(HostileInput, PrintableExcerptEscapesControlBytesAndCutsLongInput) {
  using yox::util::printableExcerpt;
  EXPECT_EQ(printableExcerpt(std::string("\x1B[2J\0\x7F\xC3\xA9\\", 9)), "\\x1B[2J\\x00\\x7F\\xC3\\xA9\\\\");
  EXPECT_EQ(printableExcerpt(std::string(81, 'a')), std::string(80, 'a') + "...");
  EXPECT_EQ(printableExcerpt(std::string(80, 'a')), std::string(80, 'a'));
  EXPECT_EQ(printableExcerpt("abcdef", 3), "abc...");
}

// A host that sets a locale with a decimal comma, in C and in C++, gets the same bytes.
TEST(HostileInput, TextFormsDoNotDependOnTheProcessLocale) {
  const yox::auto_ptr<Data> data = makeTypicalProperty();  // 1234.5 would group as 1.234,5
  const std::string csv = theSerializer().serializeToCsv(*data);
  const std::string text = theSerializer().serializeToString(*data, ',');
  const std::string dump = data->toString();
  ASSERT_NE(csv.find("current,double,1234.5\n"), std::string::npos);
  ASSERT_NE(dump.find("1234.5"), std::string::npos);

  const std::string savedC = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/setup.sh generates it)";
  }
  const std::locale savedCpp = std::locale::global(std::locale("de_DE.UTF-8"));
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 2.5);
  EXPECT_STREQ(probe, "2,5") << "the locale does not use a decimal comma";

  EXPECT_EQ(theSerializer().serializeToCsv(*data), csv);
  EXPECT_EQ(theSerializer().serializeToString(*data, ','), text);
  EXPECT_EQ(data->toString(), dump);
  EXPECT_EQ(yox::util::StringUtils::toString(0.5, 2), "0.50");
  EXPECT_TRUE(*theSerializer().deserializeFromCsv(csv.c_str()) == *data);
  EXPECT_EQ(theSerializer().deserializeFromCsv("a,float,2.5")->getFloat("a"), 2.5f);
  EXPECT_THROW(theSerializer().deserializeFromCsv("a,double,2,5"), SerializerException);
  EXPECT_THROW(theSerializer().deserializeFromCsv("a,int32,1.000"), DataException);
  EXPECT_EQ(yox::util::StringUtils::toDouble("2.5"), 2.5);

  std::locale::global(savedCpp);
  std::setlocale(LC_ALL, savedC.c_str());
}

}  // namespace
