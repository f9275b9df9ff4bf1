// Writes a container as CSV for people and spreadsheets: one line per entry (in name
// order, joined by line feeds, none after the last) with the columns name, canonical
// type name (arrays: with their extents in brackets, "int32_array_2d[2:3]") and value.
// Numbers are decimal (floats and doubles with 9 and 17 significant digits), texts are
// quoted with their commas removed and line feeds and quotes escaped. Nested containers
// are not supported. An array without elements has one empty group per row ("[2:0]"
// gives ",", a first extent of 0 the empty value); an N-D array without extents is
// written with empty brackets ("n,int32_array_nd[],7").
// Stateless: one instance may serve several threads at once.
#pragma once

#include <string>

namespace yox {
namespace data {

class Data;
class Entry;

namespace impl {

class CsvDataSerializer {
 public:
  // Throws DataException "Nested data is not supported by CSV serialization." for a
  // nested container or an array of them. Refuses with SerializerException, naming the
  // entry, what would not read back as written: an empty name or one holding a comma or a
  // line feed, a text holding a backslash before "n" or before a double quote, a string
  // array element ending with a double quote and a colon (it would merge with its
  // successor), a function of no points in a list or an array (it would vanish), and an
  // array of no elements with more than 2^24 rows (extents a hostile message may carry).
  std::string serialize(const Data& data) const;

  // One entry's line, its scalar value, its array values and its extents ("2:3").
  std::string buildEntryString(const Entry& entry) const;
  std::string scalarToCsv(const Entry& entry) const;
  std::string arrayToCsv(const Entry& entry) const;
  std::string readDims(const Entry& entry) const;

 private:
  std::string entryLine(const Entry& entry) const;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
