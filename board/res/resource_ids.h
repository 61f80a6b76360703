/* The resource numbers of oboard.dll, in one place: oboard.rc, the plugin's
 * code and the icon build rule (board/CMakeLists.txt reads the IDI_ lines
 * and has make_icons.py draw one NAME.ico per icon, NAME being the id
 * without its prefix, in lower case) all take them from here. Macros, so
 * that the resource compiler reads them too. */
#ifndef OBOARD_RES_RESOURCE_IDS_H
#define OBOARD_RES_RESOURCE_IDS_H

/* The window icon of every board, also the host's icon of the board item
 * (16 and 32 pixels). */
#define IDI_BOARD 101

/* Toolbar images, 16 pixels. */
#define IDI_TOOL_RECTANGLE 102
#define IDI_TOOL_ELLIPSE 103
#define IDI_CLEAR 104
#define IDI_FILL_COLOR 105
#define IDI_PEN_COLOR 106
#define IDI_TOOL_LINE 107
#define IDI_PEN_WIDTHS 108
#define IDI_TOOL_FREEHAND 109

#endif
