#include "hostapi/HostInterface.h"

// Out of line so that the exception's type information has one home in the library.
qivHandlerEx::~qivHandlerEx() = default;
