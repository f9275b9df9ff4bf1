// The JSON form of a container, for jq and web tools; README.md ("The JSON form")
// documents the mapping. It is defined here once and read back exactly: every one of
// the container's types keeps its type name beside its value, 64-bit integers travel
// as decimal strings, NaN and the infinities as the strings "NaN", "Infinity" and
// "-Infinity", and names or strings that are not UTF-8 as {"hex": "..."}.
#pragma once

#include <string>

#include "data/AutoPtr.h"
#include "data/Data.h"

namespace yoxdata {

// The container as JSON text (an array of entry objects), without a final line feed.
// indent < 0 writes one line.
std::string toJson(const yox::data::Data& data, int indent);

// Reads the JSON form back. Throws std::runtime_error naming what is wrong (and where,
// as a JSON pointer) for anything that is not the form.
yox::auto_ptr<yox::data::Data> fromJson(const std::string& text);

}  // namespace yoxdata
