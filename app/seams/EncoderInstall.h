// Encoder installation check, run as a modal step before every Start.
#pragma once

#include <windows.h>

// 0 nothing to install; 1 (32-bit) or 2 (64-bit) the encoder is missing; 3 the hotfix is
// missing; 4 both. Registry reads only.
int DetectEncoder();

// The installation dialog, modal over owner. IDOK when nothing needs installing (the
// dialog then never shows) or the installation succeeded; IDCANCEL otherwise, and then
// nothing is started.
INT_PTR RunEncoderInstall(HWND owner);
