// The one switch between the library's interface and its internals: everything is
// built with hidden visibility, and only declarations marked YOX_EXPORT reach the
// dynamic symbol table of libYOXClient.so.
#pragma once

#if defined(YOX_BUILDING_LIBRARY)
#define YOX_EXPORT __attribute__((visibility("default")))
#else
#define YOX_EXPORT
#endif
