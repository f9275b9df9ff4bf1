// Text pieces of the CSV form, shared by CsvDataSerializer and CsvDataDeserializer:
// the separators, the quoting of texts, the text of arrays and discrete functions, the
// column splitting and the value parsers. All static and re-entrant.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "data/DiscreteFunction.h"
#include "data/impl/ArrayImpl.h"

namespace yox {
namespace data {
namespace impl {

class CsvDataConverter {
 public:
  static const char* const ENTRIES_SEPARATOR;            // "\n", between entry lines
  static const char* const COLUMNS_SEPARATOR;            // ",", between columns, array rows, functions
  static const char* const VALUES_SEPARATOR;             // ":", between extents, row elements, points
  static const char* const POINT_COORDINATES_SEPARATOR;  // ";", between the x and y of a point

  // prefix, the strings with separator between them, suffix.
  static std::string join(const std::vector<std::string>& strings, const std::string& separator,
                          const std::string& prefix, const std::string& suffix);
  // Removes every comma, then writes line feeds as backslash-n and double quotes as
  // backslash-quote.
  static std::string escapeCharacters(const std::string& text);
  // The escaped text between double quotes.
  static std::string toCsv(const char* text);
  // Undoes the escape of a text whose quotes are already removed (backslash-quote first,
  // then backslash-n). Returns a new[] array that the caller frees with delete[].
  static char* toString(const std::string& text);
  // Points "x;y" joined by ":", 17 significant digits.
  static std::string toCsv(const DiscreteFunction& function);
  // The functions joined by ",".
  static std::string toCsv(const DiscreteFunctionList& list);
  static std::string arrayToCsv(const DiscreteFunction* const* functions, size_t count);

  // The elements of array below the position index[0 .. dimension - 1] (dimension 0 and
  // an empty or zero index: the whole array): each row of the innermost dimension joined
  // by ":", the rows joined by ",". Arrays of no elements give the empty text; an array
  // without extents gives its single element. Iterative, whatever the number of extents.
  // Defined for bool, signed char, short, int, long, float, double and char* (texts are
  // quoted and escaped; one ending with a quote and a colon throws SerializerException).
  template <class T>
  static std::string arrayToCsv(const Array<T>* array, std::vector<size_t>& index, unsigned dimension);

  // The non-empty pieces of text between separators (runs of separators count as one).
  static std::vector<std::string> splitWithRegex(const std::string& text, const std::string& separator);
  // Every value column split at ":" (empty pieces kept, so that they fail to parse).
  static std::vector<std::string> getFlatVectorOfStringValues(const std::vector<std::string>& columns);
  // Every column of a string array with its outer quotes removed, split at each
  // quote-colon-quote and unescaped. Throws SerializerException for a column shorter than
  // its two quotes and for an element ending with a quote and a colon (which the
  // separator makes ambiguous; the writer refuses such elements as well).
  static std::vector<std::string> getFlatVectorOfStringValuesOfStringType(
      const std::vector<std::string>& columns);

  // Strict parses through yox::util::StringUtils; each throws yox::util::UtilException.
  static bool toBoolean(const std::string& text);
  static signed char toByte(const std::string& text);
  static short toShort(const std::string& text);
  static int toInt(const std::string& text);
  static long toLong(const std::string& text);
  static float toFloat(const std::string& text);
  static double toDouble(const std::string& text);
  // The first column of columns with its first and last characters (the quotes) removed,
  // unescaped; a new[] array owned by the caller. Throws SerializerException when there
  // is no column or it is shorter than two characters.
  static char* toString(const std::vector<std::string>& columns);
  // Points "x;y" separated by ":"; the empty text gives no points. Throws UtilException
  // for a point that is not two numbers, DataException for x values that do not ascend.
  static yox::auto_ptr<DiscreteFunction> toDiscreteFunction(const std::string& text);
  // One function per column.
  static yox::auto_ptr<DiscreteFunctionList> toDiscreteFunctionList(const std::vector<std::string>& columns);
  // One function per column, in a new[] array of owned functions (freed by the caller,
  // elements first).
  static DiscreteFunction** toDiscreteFunctionArray(const std::vector<std::string>& columns);
};

}  // namespace impl
}  // namespace data
}  // namespace yox
