#include "cli/allocation.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Each block carries its links in front of the caller's bytes.
struct alignas(std::max_align_t) BlockLinks {
    BlockLinks* older;
    BlockLinks* newer;
};

BlockLinks* g_newest = nullptr;
long g_calls_until_failure = 0;

}  // namespace

void* allocate(size_t size) {
    if (g_calls_until_failure > 0 && --g_calls_until_failure == 0) return nullptr;
    if (size > SIZE_MAX - sizeof(BlockLinks)) return nullptr;
    auto* links = static_cast<BlockLinks*>(std::malloc(sizeof(BlockLinks) + size));
    if (links == nullptr) return nullptr;
    links->older = g_newest;
    links->newer = nullptr;
    if (g_newest != nullptr) g_newest->newer = links;
    g_newest = links;
    return links + 1;
}

void release(void* block) {
    if (block == nullptr) return;
    BlockLinks* links = static_cast<BlockLinks*>(block) - 1;
    if (links->older != nullptr) links->older->newer = links->newer;
    if (links->newer != nullptr) links->newer->older = links->older;
    if (g_newest == links) g_newest = links->older;
    std::free(links);
}

void fail_allocation(long number) { g_calls_until_failure = number > 0 ? number : 0; }
