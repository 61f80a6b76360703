// The texts the board's windows show, Polish, in code page 1250. They are
// written readably, in UTF-8, in ui_texts.cpp, which the build compiles into
// code page 1250 (its compile options in board/CMakeLists.txt): change a
// label there, as it reads. The frame's title prefix "Grafika - " is in the
// public board_ui.h, since hosts find boards by it; the boxes of a toolbar
// that could not be made are kept quirks (kept_quirks.h).
#ifndef OBOARD_COMMON_UI_TEXTS_H
#define OBOARD_COMMON_UI_TEXTS_H

// The toolbar's buttons.
extern const char TextToolFreehand[];
extern const char TextToolLine[];
extern const char TextToolEllipse[];
extern const char TextToolRectangle[];
extern const char TextPenColor[];
extern const char TextFillColor[];
extern const char TextClear[];

// The colour menu of both drop-down buttons.
extern const char TextColorNone[];
extern const char TextColorBlack[];
extern const char TextColorRed[];
extern const char TextColorYellow[];
extern const char TextColorGreen[];
extern const char TextColorBlue[];
extern const char TextColorNavy[];
extern const char TextColorPink[];
extern const char TextColorWhite[];
extern const char TextColorOther[];

// The canvas's context menu, each item with its key after a tab.
extern const char TextMenuUndo[];
extern const char TextMenuRedo[];
extern const char TextMenuCopy[];
extern const char TextMenuPaste[];
extern const char TextMenuSave[];

// Saving the picture: the dialog's title and file types (pairs of a name
// and a pattern, ended by an empty name), and the boxes that tell why
// nothing was saved; the first two are followed by the path, the last by
// the dialog's error code and ")."; a board without a name is offered
// TextUnnamedPicture. TextPngUnavailable precedes the dialog again, with
// the bitmap chosen, where the system cannot write PNG.
extern const char TextSaveTitle[];
extern const char TextSaveFileTypes[];
extern const char TextSaveFailed[];
extern const char TextDeviceRefused[];
extern const char TextPathTooLong[];
extern const char TextDialogFailed[];
extern const char TextUnnamedPicture[];
extern const char TextPngUnavailable[];

#endif
