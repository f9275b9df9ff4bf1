// Text pieces of the CSV form, shared by CsvDataSerializer and CsvDataDeserializer:
// the separators, the quoting of texts, the text of arrays and discrete functions, the
// column splitting and the value parsers. All static and re-entrant.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
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
  // The escaped text between double quotes. Throws SerializerException for a text that
  // would not read back: one holding a backslash before "n" or before a double quote.
  static std::string toCsv(const char* text);
  // Undoes the escape of a text whose quotes are already removed (backslash-quote gives a
  // quote, backslash-n a line feed) into out, which holds at least text.size() + 1
  // characters; returns the length written (a NUL follows).
  static size_t unescape(std::string_view text, char* out);
  // Points "x;y" joined by ":", 17 significant digits.
  static std::string toCsv(const DiscreteFunction& function);
  // The functions joined by ","; throws SerializerException for a function of no points,
  // which would read back as no function at all (here and in arrayToCsv).
  static std::string toCsv(const DiscreteFunctionList& list);
  static std::string arrayToCsv(const DiscreteFunction* const* functions, size_t count);

  // The elements of array below the position index[0 .. dimension - 1] (dimension 0 and
  // an empty or zero index: the whole array): each row of the innermost dimension joined
  // by ":", the rows joined by ",". An array of no elements gives one empty group per row
  // above the first extent of 0 ("[2:0]" gives ","; a first extent of 0 the empty text);
  // an array without extents gives its single element. Iterative, whatever the number of
  // extents.
  // Defined for bool, signed char, short, int, long, float, double and char* (texts are
  // quoted and escaped; one ending with a quote and a colon throws SerializerException).
  template <class T>
  static std::string arrayToCsv(const Array<T>* array, std::vector<size_t>& index, unsigned dimension);

  // The reading side works on views into the caller's text: nothing is copied per piece,
  // and counts are compared with what the text holds before anything is allocated.

  // The non-empty pieces of text between separators (runs of separators count as one).
  static std::vector<std::string_view> splitWithRegex(std::string_view text, char separator);
  // Takes the next non-empty column off the front of rest; false when none is left.
  static bool nextColumn(std::string_view& rest, std::string_view& column) {
    const size_t start = rest.find_first_not_of(',');
    if (start == std::string_view::npos) {
      rest = std::string_view();
      return false;
    }
    const size_t end = rest.find(',', start);
    column = rest.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    return true;
  }
  // Number of pieces of the value columns split at ":" (empty pieces counted, so that
  // they fail to parse); visits them in order with getFlatVectorOfStringValues.
  static size_t countValues(std::string_view values);
  template <class Visit>
  static void getFlatVectorOfStringValues(std::string_view values, Visit visit) {
    for (std::string_view column; nextColumn(values, column);) {
      for (size_t start = 0;;) {
        const size_t colon = column.find(':', start);
        visit(column.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
      }
    }
  }
  // Number of elements of the string-array columns: each column quoted, its elements
  // separated by quote-colon-quote. Throws SerializerException for a column that is not
  // enclosed in double quotes.
  static size_t countTexts(std::string_view values);
  // The elements of the string-array columns, unescaped, in a new[] array of new[] texts
  // (count as countTexts gave). Throws SerializerException for an element ending with a
  // quote and a colon (which the separator makes ambiguous; the writer refuses such
  // elements as well).
  static char** getFlatVectorOfStringValuesOfStringType(std::string_view values, size_t count);

  // Strict parses, locale-independent; each throws yox::util::UtilException.
  static bool toBoolean(std::string_view text);
  static signed char toByte(std::string_view text);
  static short toShort(std::string_view text);
  static int toInt(std::string_view text);
  static long toLong(std::string_view text);
  static float toFloat(std::string_view text);
  static double toDouble(std::string_view text);
  // The quoted value text, unescaped; a new[] array owned by the caller. Throws
  // SerializerException when it is not enclosed in double quotes.
  static char* toString(std::string_view quoted);
  // Points "x;y" separated by ":"; the empty text gives no points. Throws UtilException
  // for a point that is not two numbers, DataException for x values that do not ascend.
  static yox::auto_ptr<DiscreteFunction> toDiscreteFunction(std::string_view text);
  // One function per non-empty column.
  static yox::auto_ptr<DiscreteFunctionList> toDiscreteFunctionList(std::string_view values);
  // One function per non-empty column (count of them), in a new[] array of owned
  // functions (freed by the caller, elements first).
  static DiscreteFunction** toDiscreteFunctionArray(std::string_view values, size_t count);
};

}  // namespace impl
}  // namespace data
}  // namespace yox
