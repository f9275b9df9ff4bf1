// Steps that several mappers take alike. Internal to the mappers.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "hostapi/HostInterface.h"
#include "registry/Registry.h"

namespace mappers {

// Delivers to the host a bare dup of pattern carrying an empty "contents" tag of
// element type T: the host then maps the pseudo property afresh.
template <class T>
void deliverContents(const iqivProp& pattern) {
  std::unique_ptr<iqivProp> notice(pattern.dup());
  std::unique_ptr<qivTag> contents(new qivTag("contents"));
  contents->value.assignVector(std::vector<T>());
  notice->add(contents.release());
  iDriver->deliver(notice.release());
}

// The three-line banner of a mapper that announces, on every update, that it is not
// finished: middle between two lines of width asterisks, three error records logged
// as function at line.
void logBanner(const char* function, int line, const char* middle, std::size_t width);

}  // namespace mappers
