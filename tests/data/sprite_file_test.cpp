// Sprite files: header, conversion to 5-6-5, placement on the sheet, every
// failure message, and files that lie about their size or place.
#include "data_bench.h"
#include "game/data/data.h"
#include "platform/core/backend.h"

using namespace datatest;

namespace {

class SpriteFileTest : public DataTest {};

TEST_F(SpriteFileTest, TwoPixelPictureLandsAtItsPlace) {
    WriteData("two.spr", SpriteFile(2, 1, 10, 20, {0, 0, 255, 0, 255, 0}));
    Sprite sprite = {};
    ASSERT_EQ(ReadSPRFile("Data\\two.spr", &sprite), 1);
    EXPECT_EQ(sprite.width, 2);
    EXPECT_EQ(sprite.height, 1);
    EXPECT_EQ(sprite.x, 10);
    EXPECT_EQ(sprite.y, 20);
    EXPECT_EQ(Sheet(10, 20), 0xF800);
    EXPECT_EQ(Sheet(11, 20), 0x07E0);
    EXPECT_EQ(Sheet(9, 20), 0);
    EXPECT_EQ(Sheet(12, 20), 0);
    EXPECT_EQ(SheetPixelsSet(), 2u);
    EXPECT_EQ(FatalError, 0);
}

TEST_F(SpriteFileTest, ConversionDropsLowBitsWithoutRounding) {
    // white, the darkest pixel that still converts to 0, and the first blue
    WriteData("c.spr", SpriteFile(3, 1, 0, 0, {255, 255, 255, 7, 3, 7, 8, 0, 0}));
    Sprite sprite = {};
    ASSERT_EQ(ReadSPRFile("Data\\c.spr", &sprite), 1);
    EXPECT_EQ(Sheet(0, 0), 0xFFFF);
    EXPECT_EQ(Sheet(1, 0), 0x0000);
    EXPECT_EQ(Sheet(2, 0), 0x0001);
}

TEST_F(SpriteFileTest, RowsFollowThePitchDownToTheLastRow) {
    WriteData("low.spr", SpriteFile(4, 2, 796, 598));
    Sprite sprite = {};
    ASSERT_EQ(ReadSPRFile("Data\\low.spr", &sprite), 1);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Sheet(796 + i % 4, 598 + i / 4), PatternPixel(i)) << i;
    EXPECT_EQ(SheetPixelsSet(), 8u);
}

TEST_F(SpriteFileTest, TrailingBytesAreIgnored) {
    Bytes file = SpriteFile(1, 1, 5, 5, {0, 0, 255});
    file.insert(file.end(), {1, 2, 3, 4, 5});
    WriteData("t.spr", file);
    Sprite sprite = {};
    ASSERT_EQ(ReadSPRFile("Data\\t.spr", &sprite), 1);
    EXPECT_EQ(Sheet(5, 5), 0xF800);
    EXPECT_EQ(SheetPixelsSet(), 1u);
}

TEST_F(SpriteFileTest, EmptyPicturesWriteNothing) {
    WriteData("w0.spr", SpriteFile(0, 500, 3, 4));
    WriteData("h0.spr", SpriteFile(7, 0, 3, 4));
    Sprite sprite = {};
    ASSERT_EQ(ReadSPRFile("Data\\w0.spr", &sprite), 1);
    EXPECT_EQ(sprite.width, 0);
    EXPECT_EQ(sprite.height, 500);
    ASSERT_EQ(ReadSPRFile("Data\\h0.spr", &sprite), 1);
    EXPECT_EQ(SheetPixelsSet(), 0u);
}

TEST_F(SpriteFileTest, PictureOffTheSheetIsRefusedAndNothingWritten) {
    const Sprite before = {1, 2, 3, 4};
    for (const Bytes& file : {SpriteFile(2, 1, 799, 0), SpriteFile(1, 2, 0, 599),
                              SpriteFile(801, 1, 0, 0), SpriteFile(1, 1, 65535, 65535)}) {
        WriteData("off.spr", file);
        Sprite sprite = before;
        EXPECT_EQ(ReadSPRFile("Data\\off.spr", &sprite), 0);
        EXPECT_EQ(Error(), "[ReadSPRFile] Corrupt sprite file (picture outside the 800x600 sheet)\n");
        EXPECT_EQ(sprite.x, before.x);
        EXPECT_EQ(sprite.width, before.width);
    }
    EXPECT_EQ(SheetPixelsSet(), 0u);
}

TEST_F(SpriteFileTest, EveryShorterPrefixIsRefusedWithoutReadingPastIt) {
    const Bytes whole = SpriteFile(5, 3, 40, 30);
    for (size_t length = 0; length < whole.size(); ++length) {
        WriteData("cut.spr", Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
        Sprite sprite = {9, 9, 9, 9};
        Record.FatalError = 0;
        EXPECT_EQ(ReadSPRFile("Data\\cut.spr", &sprite), 0) << length;
        EXPECT_EQ(sprite.x, 9) << length;
        EXPECT_EQ(FatalError, 1);
        if (length > 0) {
            const char* expected =
                length < 8 ? "[ReadSPRFile] Corrupt sprite file (file shorter than its header)\n"
                           : "[ReadSPRFile] Corrupt sprite file (file shorter than its picture)\n";
            EXPECT_EQ(Error(), expected) << length;
        } else {
            EXPECT_EQ(Error().rfind("[ReadSPRFile] ", 0), 0u) << Error();
        }
    }
    EXPECT_EQ(SheetPixelsSet(), 0u);
}

TEST_F(SpriteFileTest, EveryStepReportsItsOwnMessage) {
    WriteData("ok.spr", SpriteFile(2, 2, 0, 0));
    Sprite sprite = {};
    EXPECT_EQ(ReadSPRFile("Data\\missing.spr", &sprite), 0);
    EXPECT_EQ(Error(), "[ReadSPRFile] Unable to open file\n");

    struct Case {
        const char* operation;
        const char* message;
    };
    const Case cases[] = {
        {"CreateFileA", "[ReadSPRFile] Unable to open file\n"},
        {"GetFileSize", "[ReadSPRFile] Unable to get file size\n"},
        {"GlobalAlloc", "[ReadSPRFile] Unable to allocate temporary memory\n"},
        {"GlobalLock", "[ReadSPRFile] Unable to lock memory\n"},
        {"ReadFile", "[ReadSPRFile] Unable to read complete file\n"},
    };
    for (const Case& c : cases) {
        pf::core::ClearFaults();
        pf::core::AddFault(c.operation, 1, 0);
        ErrorText[0] = 0;
        sprite = {7, 7, 7, 7};
        EXPECT_EQ(ReadSPRFile("Data\\ok.spr", &sprite), 0) << c.operation;
        EXPECT_EQ(Error(), c.message) << c.operation;
        EXPECT_EQ(sprite.width, 7);
        // The file was closed and the buffer freed: the next read works.
        pf::core::ClearFaults();
        EXPECT_EQ(ReadSPRFile("Data\\ok.spr", &sprite), 1) << c.operation;
    }
}

TEST_F(SpriteFileTest, WithoutALockNothingIsWritten) {
    Unlock();
    OffscreenBits = nullptr;
    WriteData("s.spr", SpriteFile(2, 2, 0, 0));
    Sprite sprite = {};
    EXPECT_EQ(ReadSPRFile("Data\\s.spr", &sprite), 1);
    EXPECT_EQ(SheetPixelsSet(), 0u);
}

}  // namespace
