#pragma once
#include <windows.h>

// Draws the whole client area of the setup window onto the paint DC, composed
// off screen and copied in one BitBlt.
void paintSetupWindow(HDC paintDc);
