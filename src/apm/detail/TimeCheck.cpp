#include "apm/detail/TimeCheck.h"

#include <charconv>

#include "apm/apmTimerej.h"
#include "base/HostFunctions.h"

namespace mappers {

namespace {

__int128 wide(long long value) { return static_cast<__int128>(value); }

template <class T>
void appendDecimal(std::string& text, T value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, end.ptr);
}

// a - b printed exactly: device time stamps are hostile and the difference of two
// 64-bit values need not fit in 64 bits.
void appendDifference(std::string& text, long long a, long long b) {
  const unsigned long long ua = static_cast<unsigned long long>(a);
  const unsigned long long ub = static_cast<unsigned long long>(b);
  if (a >= b) return appendDecimal(text, ua - ub);
  text += '-';
  appendDecimal(text, ub - ua);
}

// "is too far (<a - b> ms) in the <when>, only <limit> ms allowed"; false.
bool tooFar(std::string& reason, long long a, long long b, const char* when, long long limit) {
  reason += "is too far (";
  appendDifference(reason, a, b);
  reason += " ms) in the ";
  reason += when;
  reason += ", only ";
  appendDecimal(reason, limit);
  reason += " ms allowed";
  return false;
}

}  // namespace

void appendNumber(std::string& text, long long value) { appendDecimal(text, value); }

bool acceptTime(long long prev, long long cur, std::string& reason) {
  if (cur == 0) {
    reason += "is equal to 0";
    return false;
  }
  if (cur < prev) {
    reason += "is ";
    appendDifference(reason, prev, cur);
    reason += " ms older than in prev frame";
    return false;
  }
  if (cur == prev && REJ_EQ_TIME) {
    reason += "is the same as in prev frame";
    return false;
  }
  const long long now = timeLongLong();
  if (wide(cur) - wide(now) >= wide(TO_INFUTURE)) return tooFar(reason, cur, now, "future", TO_INFUTURE);
  if (wide(now) - wide(cur) >= wide(TO_INPAST)) return tooFar(reason, now, cur, "past", TO_INPAST);
  return true;
}

}  // namespace mappers
