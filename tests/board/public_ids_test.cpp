// The numbers and names that hosts, other plugins and tools rely on, stated
// once against the public headers: every other test uses the names, so a
// changed number would otherwise go unnoticed.
#include <gtest/gtest.h>

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

}  // namespace
