// The stand-in host as value and filter tests use it: each test starts with a fresh
// environment, and reads back the one record an operation logged.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/HostEnvironment.h"
#include "support/LogRecords.h"

namespace yoxtest {

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override { yoxhost::HostEnvironment::instance().reset(); }
  static void clearLog() { yoxhost::HostEnvironment::instance().clearRecords(); }
};

// The only record logged under function; a failure, and an empty record, when there is
// not exactly one.
inline ParsedRecord onlyRecord(const std::string& function) {
  std::vector<ParsedRecord> found;
  for (const ParsedRecord& record : parsedRecords()) {
    if (record.function == function) found.push_back(record);
  }
  EXPECT_EQ(found.size(), 1u) << "records under " << function;
  return found.empty() ? ParsedRecord{0, 0, function, -1, ""} : found.front();
}

// The message of the only record under function, which must be an error for every mask.
inline std::string onlyError(const std::string& function) {
  const ParsedRecord record = onlyRecord(function);
  EXPECT_TRUE(record.type == 1 && record.mask == -1) << record.message;
  return record.message;
}

}  // namespace yoxtest
