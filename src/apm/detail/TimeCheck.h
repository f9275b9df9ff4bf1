// The time-stamp check of the time-rejection and protection-system mappers, without
// exceptions: on a bad link every update is refused, and a throw caught a frame later
// costs more than the rest of the cycle.
#pragma once

#include <string>

namespace mappers {

// True when cur is acceptable after prev (against the host clock and the limits
// TO_INFUTURE, TO_INPAST, REJ_EQ_TIME); otherwise false with the reason appended to
// reason ("is equal to 0", "is 5 ms older than in prev frame", ...).
bool acceptTime(long long prev, long long cur, std::string& reason);

// Appends value in decimal.
void appendNumber(std::string& text, long long value);

}  // namespace mappers
