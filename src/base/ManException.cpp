#include "base/ManException.h"

// Out of line so that the class has one home for its vtable and type information.
ManException::~ManException() = default;

ManException::ManException(const std::string& message) : message_(message.c_str()) {}
