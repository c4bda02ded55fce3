#pragma once

#include <cstddef>

// The largest block the calling thread asks the allocator for while one of these lives. A
// body kept in one block that grows shows up as a block of about its size: each time it
// outgrows its block, all of it is moved to a new one and faulted in again. Linking
// LargestAllocation.cpp replaces malloc and realloc in the whole executable (Qt's calls
// included); both forward to glibc's own.
class LargestAllocation {
public:
    LargestAllocation();
    ~LargestAllocation();
    LargestAllocation(const LargestAllocation &) = delete;
    LargestAllocation &operator=(const LargestAllocation &) = delete;

    std::size_t bytes() const;
};
