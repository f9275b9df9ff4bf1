// Readers for the lists the protection-system mappers take from filter containers.
// A filter constraint with a single value becomes a scalar entry, so each reader
// takes a scalar of the element type as a one-element list. Internal to the mappers.
#pragma once

#include <string>
#include <vector>

#include "data/Data.h"
#include "data/Entry.h"

namespace krtdata {

// The elements of entry name: an int array or a single int. Throws the container's
// DataException when the entry is absent or of another type.
inline std::vector<int> readInts(const yox::data::Data& data, const std::string& name) {
  const yox::data::Entry* entry = data.getEntry(name);
  if (entry != nullptr && entry->getType() == yox::data::DT_INT) return std::vector<int>(1, entry->getInt());
  size_t size = 0;
  const int* values = data.getArrayInt(name, size);
  return std::vector<int>(values, values + size);
}

// The elements of entry name: a byte array or a single byte. Throws as readInts.
inline std::vector<signed char> readBytes(const yox::data::Data& data, const std::string& name) {
  const yox::data::Entry* entry = data.getEntry(name);
  if (entry != nullptr && entry->getType() == yox::data::DT_BYTE) {
    return std::vector<signed char>(1, entry->getByte());
  }
  size_t size = 0;
  const signed char* values = data.getArrayByte(name, size);
  return std::vector<signed char>(values, values + size);
}

// The elements of entry name: a string array or a single string. Throws as readInts.
inline std::vector<std::string> readStrings(const yox::data::Data& data, const std::string& name) {
  const yox::data::Entry* entry = data.getEntry(name);
  if (entry != nullptr && entry->getType() == yox::data::DT_STRING) {
    const char* text = entry->getString();
    return std::vector<std::string>(1, text != nullptr ? text : "");
  }
  size_t size = 0;
  const char** values = data.getArrayString(name, size);
  std::vector<std::string> result;
  result.reserve(size);
  for (size_t i = 0; i < size; ++i) result.emplace_back(values[i] != nullptr ? values[i] : "");
  return result;
}

}  // namespace krtdata
