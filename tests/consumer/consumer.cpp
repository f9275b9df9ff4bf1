// Builds against the installed headers and links the installed library. The host
// functions are defined here, as any host must.
#include <cstdio>

#include "plugin/yoxclient.h"

void log(const mess&, const char* text) { std::puts(text); }
bool writeMask(long) { return false; }
long long timeLongLong() { return 0; }
double timeNow() { return 0; }
namespace qiv {
bool isHexi(const char*) { return false; }
}  // namespace qiv

int main() {
  yox::auto_ptr<yox::data::Data> data = yox::data::DataFactory::createData();
  data->append("answer", 42);
  std::printf("%s", qivlib_Help());
  return data->getInt("answer") == 42 ? 0 : 1;
}
