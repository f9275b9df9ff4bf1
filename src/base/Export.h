// The core's switch between the plug-in's interface and its internals: everything is
// built with hidden visibility, and only declarations marked YOX_EXPORT reach the
// dynamic symbol table of libYOXClient.so. The data library keeps an identical
// definition of its own so that it can be built and used alone.
#pragma once

#ifndef YOX_EXPORT
#if defined(YOX_BUILDING_LIBRARY)
#define YOX_EXPORT __attribute__((visibility("default")))
#else
#define YOX_EXPORT
#endif
#endif
