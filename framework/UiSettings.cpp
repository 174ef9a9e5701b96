#include "framework/UiSettings.h"

WCHAR g_szLocaleName[kLocaleNameCapacity] = {};
// The English defaults, so that a dialog shown before start-up has set the
// font still gets a usable one.
WCHAR g_szFontFace[kFontFaceCapacity] = L"MS Shell Dlg";
int g_nFontSize = 9;
