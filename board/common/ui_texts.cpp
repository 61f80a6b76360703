// Written in UTF-8 and compiled into code page 1250 (-finput-charset=UTF-8
// -fexec-charset=CP1250, board/CMakeLists.txt): the bytes in the DLL are
// those the windows show. A letter outside code page 1250 stops the build.
#include "common/ui_texts.h"

const char TextToolFreehand[] = "Wolne";
const char TextToolLine[] = "Linia";
const char TextToolEllipse[] = "Elipsa";
const char TextToolRectangle[] = "Prostokąt";
const char TextPenColor[] = "Kolor";
const char TextFillColor[] = "Wypełnienie";
const char TextClear[] = "Czyść";

const char TextColorNone[] = "Brak";
const char TextColorBlack[] = "Czarny";
const char TextColorRed[] = "Czerwony";
const char TextColorYellow[] = "Żółty";
const char TextColorGreen[] = "Zielony";
const char TextColorBlue[] = "Niebieski";
const char TextColorNavy[] = "Granatowy";
const char TextColorPink[] = "Różowy";
const char TextColorWhite[] = "Biały";
const char TextColorOther[] = "inny...";

const char TextMenuUndo[] = "&Cofnij\tCtrl+Z";
const char TextMenuRedo[] = "&Ponów\tCtrl+Y";
const char TextMenuCopy[] = "&Kopiuj\tCtrl+C";
const char TextMenuPaste[] = "&Wklej\tCtrl+V";
const char TextMenuSave[] = "&Zapisz obraz...\tCtrl+S";

const char TextSaveTitle[] = "Zapisz obraz";
const char TextSaveFileTypes[] = "Obraz PNG (*.png)\0*.png\0Mapa bitowa (*.bmp)\0*.bmp\0";
const char TextSaveFailed[] = "Nie udało się zapisać obrazu w pliku:\n";
const char TextDeviceRefused[] = "Nie można zapisać obrazu pod nazwą urządzenia:\n";
const char TextPathTooLong[] = "Nie udało się wybrać pliku dla obrazu: ścieżka jest za długa.";
const char TextDialogFailed[] = "Nie udało się wybrać pliku dla obrazu (kod błędu ";
const char TextUnnamedPicture[] = "obraz";
const char TextPngUnavailable[] =
    "W tym systemie nie można zapisać obrazu w formacie PNG.\nMożna go zapisać jako mapę bitową (BMP).";
