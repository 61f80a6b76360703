// The numbers and names that hosts, other plugins and tools rely on, stated
// once against the public headers: every other test uses the names, so a
// changed number would otherwise go unnoticed.
#include <gtest/gtest.h>

#include <cstring>

#include "oboard/board_ui.h"
#include "oboard/plugin_messages.h"

namespace {

static_assert(PictureWidth == 640 && PictureHeight == 480, "picture size");

static_assert(CmdToolLine == 200 && CmdToolFreehand == 201 && CmdToolRectangle == 202 && CmdToolEllipse == 203,
              "tool commands");
static_assert(CmdPenColor == 205 && CmdFillColor == 206 && CmdClear == 210, "other toolbar commands");

static_assert(MenuColorOther == 260 && MenuColorNone == 261, "colour menu: dialog and none");
static_assert(MenuColorBlack == 262 && MenuColorRed == 263 && MenuColorYellow == 264 && MenuColorGreen == 265 &&
                  MenuColorBlue == 266 && MenuColorNavy == 267 && MenuColorPink == 268 && MenuColorWhite == 269,
              "colour menu: colours");

static_assert(IdRebar == 18001 && IdToolbar == 2000 && IdSizePicker == 300 && IdSizeSpin == 301, "child ids");
static_assert(MsgSetPenColor == 11024 && MsgSetFillColor == 11025, "frame colour messages");

static_assert(MsgInit == 20001 && MsgLifecycleNotice == 20002 && MsgLifecycleQuery == 20020 &&
                  MsgLifecycleUnanswered == 20021,
              "lifecycle ids");
static_assert(MsgGetNet == 30010 && MsgGetIdentityNumber == 30011 && MsgGetVersion == 30012 &&
                  MsgGetSignature == 30013 && MsgGetPlatform == 30014 && MsgGetIdentityAfterPlatform == 30015 &&
                  MsgGetName == 30016 && MsgGetIdentityAfterName == 30017,
              "identity ids");
static_assert(LifecycleQueryAnswer == 2 && IdentityNumber == 24, "fixed answers");
static_assert(ColumnDefHostField == 18 && ActionInfoHostField14 == -1 && ActionInfoHostField30 == 863 &&
                  ActionInfoHostField34 == 1 && ActionInfoHostField38 == -1 && ActionInfoHostField46 == 0,
              "host fields");
static_assert(ActionBoardParent == 1 && ActionContactUnset == -2 && ActionCodeActivated == 1 && SelectAny == -1 &&
                  QueueDoneMark == 1 && MessageTypeBoard == 12,
              "record values");

TEST(PublicIds, WindowClassNames)
{
    EXPECT_STREQ("botgrafwnd", BoardFrameClassName);
    EXPECT_STREQ("oknorysowania", CanvasClassName);
    EXPECT_STREQ("sizepicker", SizePickerClassName);
}

// The records as another plugin's helpers fill them, byte for byte:
// little-endian words at their offsets, everything else 0.
TEST(PublicIds, RecordHelpersFillTheRecordsTheHostPasses)
{
    const PluginMessage message = MakePluginMessage(MsgOpenBoard, -3, 0x01020304, 772);
    const unsigned char expectedMessage[30] = {
        30,   0,                                         // size
        0x5D, 0xCA, 0x0B, 0,                             // id 772701
        0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0,  // reserved
        0x04, 0x03, 0,    0,                             // boardNet 772
        0xFD, 0xFF, 0xFF, 0xFF,                          // p1 -3
        0x04, 0x03, 0x02, 0x01,                          // p2
    };
    EXPECT_EQ(0, std::memcmp(expectedMessage, &message, sizeof message));

    const DrawRequest request = MakeDrawRequest(MsgDrawEllipse, -1, 42, 10, -20, 0x7FFFFFFF, 640);
    const unsigned char expectedRequest[44] = {
        44,   0,                                         // size
        0x97, 0xC9, 0x0B, 0,                             // id 772503
        0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0,  // reserved
        0xFF, 0xFF, 0xFF, 0xFF,                          // boardNet -1
        0,    0,                                         // padding
        10,   0,    0,    0,                             // x1
        0xEC, 0xFF, 0xFF, 0xFF,                          // y1 -20
        0xFF, 0xFF, 0xFF, 0x7F,                          // x2
        0x80, 0x02, 0,    0,                             // y2 640
        42,   0,    0,    0,                             // contact
    };
    EXPECT_EQ(0, std::memcmp(expectedRequest, &request, sizeof request));

    const char text[] = "Ala";
    EXPECT_EQ(text, WordAddress<const char>(AddressWord(text)));
}

}  // namespace
