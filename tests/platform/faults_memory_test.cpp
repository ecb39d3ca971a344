// Fault injection by name and count, and the global memory blocks.
#include <cstring>

#include "core_fixture.h"

namespace coretest {
namespace {

using FaultTest = CoreTest;

TEST_F(FaultTest, TheNthCallFromNowFailsWithTheCode) {
    MakeDisplay();
    pf::core::AddFault("Surface_Flip", 2, pf::DDERR_SURFACELOST);
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DD_OK);
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DDERR_SURFACELOST);
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DD_OK);
    EXPECT_EQ(backend.presents, 2);  // the failed flip presented nothing
    // Counting starts at AddFault, whatever ran before.
    pf::core::AddFault("Surface_Flip", 1, 0x1234);
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), 0x1234);
    // Other operations are not counted.
    pf::core::AddFault("Surface_Blt", 1, pf::DDERR_WASSTILLDRAWING);
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DD_OK);
    pf::DDBLTFX fx = {sizeof fx, 0};
    EXPECT_EQ(pf::Surface_Blt(back, nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx),
              pf::DDERR_WASSTILLDRAWING);
    pf::core::AddFault("Surface_Blt", 1, 5);
    pf::core::ClearFaults();
    EXPECT_EQ(pf::Surface_Blt(back, nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx), pf::DD_OK);
}

TEST_F(FaultTest, CallsWithHandlesOrTruthValuesFailWithTheirFailureValue) {
    pf::core::AddFault("CreateFileA", 1, 0);
    EXPECT_EQ(pf::CreateFileA("anything", pf::GENERIC_READ, 0, nullptr, pf::OPEN_EXISTING, 0, nullptr),
              pf::INVALID_HANDLE_VALUE);
    pf::core::AddFault("GlobalLock", 1, 0);
    pf::HGLOBAL block = pf::GlobalAlloc(pf::GHND, 16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(pf::GlobalLock(block), nullptr);
    EXPECT_NE(pf::GlobalLock(block), nullptr);
    pf::core::AddFault("GlobalFree", 1, 0);
    EXPECT_EQ(pf::GlobalFree(block), block);  // failure hands the block back
    EXPECT_EQ(pf::GlobalFree(block), nullptr);
    pf::core::AddFault("DirectDrawCreate", 1, pf::DDERR_GENERIC);
    pf::LPDIRECTDRAW object = reinterpret_cast<pf::LPDIRECTDRAW>(&backend);
    EXPECT_EQ(pf::DirectDrawCreate(nullptr, &object, nullptr), pf::DDERR_GENERIC);
    EXPECT_EQ(object, nullptr);
}

TEST_F(FaultTest, AllocFailsTheNthAllocationUnderEitherName) {
    pf::core::AddFault("alloc", 2, 0);
    pf::HGLOBAL first = pf::GlobalAlloc(pf::GMEM_FIXED, 8);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(pf::GlobalAlloc(pf::GMEM_FIXED, 8), nullptr);
    pf::core::AddFault("GlobalAlloc", 1, 0);
    EXPECT_EQ(pf::GlobalAlloc(pf::GMEM_FIXED, 8), nullptr);
    pf::HGLOBAL third = pf::GlobalAlloc(pf::GMEM_FIXED, 8);
    EXPECT_NE(third, nullptr);
    const pf::core::ResourceCounts counts = pf::core::CurrentResourceCounts();
    EXPECT_EQ(counts.allocations, 2u);
    EXPECT_EQ(counts.liveBlocks, 2u);
    pf::GlobalFree(first);
    pf::GlobalFree(third);
    EXPECT_EQ(pf::core::CurrentResourceCounts().liveBlocks, 0u);
    EXPECT_EQ(pf::core::CurrentResourceCounts().frees, 2u);
}

TEST_F(FaultTest, MemoryBlocksAreZeroedAndBoundsAreKept) {
    pf::HGLOBAL block = pf::GlobalAlloc(pf::GMEM_MOVEABLE, 4096);
    ASSERT_NE(block, nullptr);
    auto* bytes = static_cast<uint8_t*>(pf::GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    size_t nonZero = 0;
    for (size_t i = 0; i < 4096; ++i) nonZero += bytes[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    std::memset(bytes, 0xAB, 4096);
    EXPECT_EQ(pf::GlobalUnlock(block), pf::FALSE);  // no longer locked
    EXPECT_EQ(pf::GlobalUnlock(block), pf::FALSE);  // was not locked
    EXPECT_EQ(pf::GlobalFree(block), nullptr);
    // A freed or foreign handle is refused, not followed.
    EXPECT_EQ(pf::GlobalLock(block), nullptr);
    EXPECT_EQ(pf::GlobalFree(block), block);
    // A size read from a damaged file does not take the machine's memory.
    EXPECT_EQ(pf::GlobalAlloc(pf::GHND, size_t{1} << 40), nullptr);
    pf::HGLOBAL empty = pf::GlobalAlloc(pf::GHND, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(pf::GlobalLock(empty), nullptr);
    pf::GlobalFree(empty);
}

TEST_F(FaultTest, ResetCoreReleasesEverythingAndForgetsFaults) {
    MakeDisplay();
    pf::GlobalAlloc(pf::GHND, 10);
    pf::core::AddFault("Surface_Flip", 1, 7);
    pf::core::ResetCore();
    EXPECT_EQ(pf::core::CurrentResourceCounts().liveBlocks, 0u);
    EXPECT_EQ(pf::core::CurrentResourceCounts().allocations, 0u);
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DDERR_INVALIDPARAMS);  // gone, no fault
    MakeDisplay();
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DD_OK);
}

}  // namespace
}  // namespace coretest
