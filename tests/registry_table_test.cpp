#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostapi/apm.h"
#include "plugin/qivlib.h"
#include "support/PluginFixture.h"

namespace {

const std::vector<std::string> kMappers = {"default", "timerej",    "krt",        "krt.surv", "krt.wtime",
                                           "krt.io",  "krt.pseudo", "pseudo.dev", "xD.array", "plw",
                                           "plwm",    "plw.be",     "plwm.be"};
const std::vector<std::string> kConverters = {"double", "longlong", "longlongnano"};

using RegistryTableTest = yoxtest::PluginFixture;

TEST_F(RegistryTableTest, EveryNameSitsAtItsTableIndex) {
  ASSERT_EQ(apmHash.size(), kMappers.size());
  for (size_t i = 0; i < kMappers.size(); ++i) {
    SCOPED_TRACE(kMappers[i]);
    EXPECT_EQ(qivlib_apmInfo(kMappers[i].c_str()), static_cast<int>(i));
    EXPECT_EQ(qivlib_apmInfo(static_cast<int>(i)), kMappers[i]);
    EXPECT_EQ(apmHash.get(static_cast<int>(i))->index, static_cast<int>(i));
  }
  ASSERT_EQ(tcmHash.size(), kConverters.size());
  for (size_t i = 0; i < kConverters.size(); ++i) {
    SCOPED_TRACE(kConverters[i]);
    EXPECT_EQ(qivlib_tcmInfo(kConverters[i].c_str()), static_cast<int>(i));
    EXPECT_EQ(qivlib_tcmInfo(static_cast<int>(i)), kConverters[i]);
  }
}

TEST_F(RegistryTableTest, HelpListsEveryMapperThenEveryConverter) {
  const std::string expected =
      "\nlibYOXClient APM(s):\n"
      "\tdefault\n\ttimerej\n\tkrt\n\tkrt.surv\n\tkrt.wtime\n\tkrt.io\n\tkrt.pseudo\n\tpseudo.dev\n"
      "\txD.array\n\tplw\n\tplwm\n\tplw.be\n\tplwm.be\n"
      "\nlibYOXClient TCM(s):\n"
      "\tdouble\n\tlonglong\n\tlonglongnano\n";
  EXPECT_EQ(std::string(qivlib_Help()), expected);
}

}  // namespace
