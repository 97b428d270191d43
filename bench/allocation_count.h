// Counts the heap allocations of a benchmark binary, so that a benchmark can report how many an operation
// makes. Linked into a benchmark through the novra_bench_allocation_count target, which replaces the
// global allocation functions (every form of operator new) and wraps malloc, calloc, realloc,
// aligned_alloc and posix_memalign at link time (GNU ld's --wrap), so that the stores, which call malloc
// directly, are counted too. The wrap reaches every call made by code linked statically into the binary
// (all of NOVRA's libraries); calls that shared libraries make to malloc themselves are not seen, while
// their operator new calls are, since the replaced operator new serves the whole program.
#pragma once

#include <cstdint>

namespace novra {

// Allocations made since the program started: operator new calls and counted malloc-family calls
// (a realloc counts as one). Releases are not counted.
uint64_t heap_allocations();

// Whether the link-time wrap is in effect: makes one malloc of its own and checks that it was counted.
bool heap_allocations_counted();

}  // namespace novra
