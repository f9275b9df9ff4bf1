// A test fixture that stands up the stand-in host around the statically linked
// plug-in: a fresh environment (clock at a fixed time, no log records), a driver,
// and qivlib_Init. Mapper tests derive from it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "host/HostEnvironment.h"
#include "host/LinkedPlugin.h"
#include "host/StandInDriver.h"
#include "plugin/qivlib.h"

namespace yoxtest {

class PluginFixture : public ::testing::Test {
 protected:
  // A plausible "now" so that device time stamps around it are neither zero nor old.
  static constexpr long long kNow = 1700000000000LL;

  void SetUp() override {
    env().reset();
    env().setNow(kNow);
    driver = std::make_unique<yoxhost::StandInDriver>(yoxhost::linkedPlugin());
    qivlib_Init(driver.get());
  }
  void TearDown() override {
    driver.reset();
    iDriver = nullptr;
  }

  static yoxhost::HostEnvironment& env() { return yoxhost::HostEnvironment::instance(); }

  std::unique_ptr<yoxhost::StandInDriver> driver;
};

}  // namespace yoxtest
