#pragma once
#include <windows.h>

// Every message box of the program: no owner, our caption, the error icon.
inline void showErrorBox(const wchar_t* text) { MessageBoxW(nullptr, text, L"Norvane 원격", MB_ICONERROR); }
