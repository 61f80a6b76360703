// What the board plugin keeps although it looks like a leftover, each named
// once, here, with why it stays. Hosts, other plugins and the contacts'
// plugins rely on every one of them: none is to be tidied away.
#ifndef OBOARD_COMMON_KEPT_QUIRKS_H
#define OBOARD_COMMON_KEPT_QUIRKS_H

#include <windows.h>

#include <cstdint>

#include "resource_ids.h"

// The answer to MsgGetPlatform (30014) names a system long gone.
// Kept: hosts read the answer they have always had; another would name a
// platform they do not know.
inline constexpr char PlatformAnswer[] = "W98";

// A board invitation goes into the host's message store with the flags 8.
// Kept: the store files and sends a stored message by its flags, and this
// is what every release on either side has given it.
inline constexpr int32_t InvitationFlags = 8;

// A toolbar that cannot be made is told by boxes without owner or caption,
// with an OK button: a rebar that fails once, in Polish; a toolbar that
// fails twice, in English (one box from each of the two functions that
// notice it), and the board opens without it.
// Kept: hosts that run boards unattended answer these boxes, by their
// texts and their number.
inline constexpr char RebarFailedBoxText[] = "Nie utworzono Toolbara";
inline constexpr char ToolbarFailedBoxText[] = "Toolbar not created!";
inline constexpr char ToolbarMissingBoxText[] = "Could not create the toolbar";
inline void ShowFailureBox(const char* text)
{
    MessageBoxA(nullptr, text, nullptr, MB_OK);
}

// The pen widths' icon (group 108) is drawn, built into the DLL and loaded
// as image 4 of the toolbars' image list, yet no button shows it.
// Kept: the icon groups 102 to 109 are the DLL's resources, which hosts
// load by number, and every image keeps its index in the list (the colour
// and clear buttons' 5 to 7 come after it).
inline constexpr int UnshownToolbarIcon = IDI_PEN_WIDTHS;

// "Granatowy" in the colour menu fills one step redder and greener than
// it draws and shows its swatch, the only colour whose two differ.
// Kept: the colours are part of what a board draws; pictures made before,
// and tools that look for these colours in a copied or saved picture, have
// both values.
inline constexpr COLORREF NavyPenColor = 0x00E30606;
inline constexpr COLORREF NavyFillColor = 0x00E30707;

#endif
