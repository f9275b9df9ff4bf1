// The host and the data library's interface hand over ownership with std::auto_ptr.
// It is deprecated in C++17; this alias names it once, inside a narrow pragma, so
// that the rest of the code uses the very same type without deprecation noise.
#pragma once

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <memory>
namespace yox {
template <class T>
using auto_ptr = std::auto_ptr<T>;
}
#pragma GCC diagnostic pop
