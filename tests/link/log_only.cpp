// A program that takes only LogIt from the core: it links with the core followed by
// the host functions, and nothing else of the stand-in host.
#include "base/LogIt.h"
#include "host/HostEnvironment.h"

int main() {
  yoxhost::HostEnvironment::instance().enableMask(1);
  YOX_LOG(kLogProgress, 1) << "linked";
  const auto& records = yoxhost::HostEnvironment::instance().records();
  return records.size() == 1 && records[0].text.find("-linked") != std::string::npos ? 0 : 1;
}
