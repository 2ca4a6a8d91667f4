// xxHash compiled from its header where no library of it is built for the system, with the
// vector unit every x86-64 has (SSE2).
#define XXH_STATIC_LINKING_ONLY
#define XXH_IMPLEMENTATION
#include <xxhash.h>
