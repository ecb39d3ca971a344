// Global memory blocks. Every block is zero-filled whatever the flags, so a
// run never depends on what the heap held before. Blocks larger than the
// limit below fail like an exhausted heap instead of taking the machine's
// memory for a size read from a damaged file.
#include <cstring>
#include <new>
#include <unordered_set>

#include "backend.h"
#include "core_internal.h"
#include "pf/files.h"

namespace pf {

struct MemoryObject {
    size_t bytes = 0;
    unsigned locks = 0;
    unsigned char* data = nullptr;
};

namespace {

constexpr size_t kMaxBlock = size_t{1} << 30;

std::unordered_set<MemoryObject*> Blocks;
unsigned Allocations = 0;
unsigned Frees = 0;

bool Live(HGLOBAL memory) { return memory != nullptr && Blocks.count(memory) != 0; }

}  // namespace

HGLOBAL GlobalAlloc(UINT /*flags*/, size_t bytes) {
    int32_t code = 0;
    // Both names count every allocation.
    const bool named = core::FaultDue("GlobalAlloc", &code);
    const bool any = core::FaultDue("alloc", &code);
    if (named || any || bytes > kMaxBlock) return nullptr;
    auto* block = new (std::nothrow) MemoryObject;
    if (block == nullptr) return nullptr;
    block->bytes = bytes;
    // A block of 0 bytes still has an address, as on Windows.
    block->data = new (std::nothrow) unsigned char[bytes > 0 ? bytes : 1]();
    if (block->data == nullptr) {
        delete block;
        return nullptr;
    }
    Blocks.insert(block);
    ++Allocations;
    return block;
}

void* GlobalLock(HGLOBAL memory) {
    int32_t code = 0;
    if (core::FaultDue("GlobalLock", &code)) return nullptr;
    if (!Live(memory)) return nullptr;
    ++memory->locks;
    return memory->data;
}

BOOL GlobalUnlock(HGLOBAL memory) {
    int32_t code = 0;
    if (core::FaultDue("GlobalUnlock", &code)) return FALSE;
    if (!Live(memory) || memory->locks == 0) return FALSE;
    --memory->locks;
    return memory->locks > 0 ? TRUE : FALSE;  // non-zero while still locked
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    int32_t code = 0;
    if (core::FaultDue("GlobalFree", &code)) return memory;
    if (memory == nullptr) return nullptr;
    if (!Live(memory)) return memory;
    Blocks.erase(memory);
    delete[] memory->data;
    delete memory;
    ++Frees;
    return nullptr;
}

namespace core {

void MemoryCounts(ResourceCounts& counts) {
    counts.allocations = Allocations;
    counts.frees = Frees;
    counts.liveBlocks = static_cast<unsigned>(Blocks.size());
}

void ResetMemory() {
    for (MemoryObject* block : Blocks) {
        delete[] block->data;
        delete block;
    }
    Blocks.clear();
    Allocations = 0;
    Frees = 0;
}

}  // namespace core
}  // namespace pf
