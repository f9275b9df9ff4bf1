// A test fixture that stands up the stand-in host around the statically linked
// plug-in: a fresh environment (clock at a fixed time, no log records), a driver with
// a filter registry, qivlib_Init, and the process-wide limits that creating "krt" and
// "timerej" mappers configure reset before and after each test.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "apm/apmTimerej.h"
#include "apm/krt/apmKrt.h"
#include "base/ManException.h"
#include "host/HostEnvironment.h"
#include "host/LinkedPlugin.h"
#include "host/StandInDriver.h"
#include "plugin/qivlib.h"

namespace yoxtest {

// The ManException text that f throws, or "" when it throws nothing.
template <class F>
std::string manMessage(F&& f) {
  try {
    f();
  } catch (const ManException& e) {
    return e.getMessage();
  }
  return "";
}

class PluginFixture : public ::testing::Test {
 protected:
  // A plausible "now" so that device time stamps around it are neither zero nor old.
  static constexpr long long kNow = 1700000000000LL;
  void SetUp() override {
    resetGlobals();
    env().reset();
    env().setNow(kNow);
    driver = std::make_unique<yoxhost::StandInDriver>(yoxhost::linkedPlugin());
    qivlib_Init(driver.get());
    driver->filters();  // with a filter registry the host initialises what it creates
  }
  void TearDown() override {
    driver.reset();
    iDriver = nullptr;
    resetGlobals();
  }
  static void resetGlobals() {
    STATUS_FILT.clear();
    SUBSTATUS_FILT.clear();
    TO_INFUTURE = TO_INPAST = TO_WATCHDOG = -1;
    REJ_EQ_TIME = true;
  }
  static yoxhost::HostEnvironment& env() { return yoxhost::HostEnvironment::instance(); }
  std::unique_ptr<yoxhost::StandInDriver> driver;
};

}  // namespace yoxtest
