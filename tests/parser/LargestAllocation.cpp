#include "LargestAllocation.h"

extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_realloc(void *block, std::size_t size);
}

namespace {
// Defined in the executable, so reading them allocates nothing.
thread_local bool t_watching = false;
thread_local std::size_t t_largest = 0;

void note(std::size_t size)
{
    if (t_watching && size > t_largest)
        t_largest = size;
}
} // namespace

extern "C" void *malloc(std::size_t size)
{
    note(size);
    return __libc_malloc(size);
}

extern "C" void *realloc(void *block, std::size_t size)
{
    note(size);
    return __libc_realloc(block, size);
}

LargestAllocation::LargestAllocation()
{
    t_largest = 0;
    t_watching = true;
}

LargestAllocation::~LargestAllocation()
{
    t_watching = false;
}

std::size_t LargestAllocation::bytes() const
{
    return t_largest;
}
