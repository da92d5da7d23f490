// What a recording is made of, worked out before it starts: the capture-source and
// encode-parameter records, the output file, the failure message key. No windows here:
// the caller measures the screen and the windows and passes the numbers in.
#pragma once

#include "config/RecorderSettings.h"
#include "encoder/Vistrelenc.h"

#include <windows.h>
#include <string>
#include <vector>

struct RecordRecords {
    SEncoderSource source{};
    SEncoderParam param{};
    bool sized = false;  // width and height of at least 1: the parameters are filled
};

// The records for the settings and the capture rectangle. windowRect: the current screen
// rectangle of the capture window when one is taken (camera picture, picked window), else
// null. A window is always captured as the rectangle it covered at the start, so the
// source never has type 2. Rectangles are clipped to the screen.
RecordRecords FillRecords(const RecorderSettings& settings, const RECT& captureRect, const RECT* windowRect,
                          SIZE screen);

// Start step 9: the rectangle actually recorded. cameraRect: the camera window's screen
// rectangle for a camera-only recording, else null.
RECT FixRecordRect(const RECT& rect, int recordRegion, int recordObject, const RECT* cameraRect, SIZE screen);

// The camera picture inside a region (160 x 120, halved when the region is smaller) at its
// bottom-right corner, one pixel in.
RECT CameraRectInRegion(const RECT& region);

// A rectangle of the default size, at most the screen, centred on it.
RECT CentredRect(SIZE screen, int width, int height);

// The main window's place: bottom right of the work area, 5 pixels in (with the work
// area's left and top subtracted, as the program always placed it).
POINT MainWindowPosition(const RECT& workArea, SIZE window);

// OutDir with a backslash at its end.
std::wstring WithTrailingBackslash(const std::wstring& folder);

// Creates every missing folder of the path; true when the folder exists afterwards.
bool EnsureFolder(const std::wstring& folder);

// folder + stamp + ".wmv"; when that file exists "-1", "-2", ... go before ".wmv". The name
// is reserved by creating the file (CREATE_NEW), so that two recordings never share it.
// reserved tells whether this call created the file (false when it could not be created
// for another reason; the path is then the plain name).
std::wstring ReserveOutputFile(const std::wstring& folder, const std::wstring& stamp, bool* reserved);

// Language key of a failure code: its low 16 bits as four lower-case hex digits.
std::wstring FailureMessageKey(int code);

// A filter text with "|" between its parts as the file dialog takes it: NULs instead, and
// two NULs at the end. Empty for an empty text (no filter).
std::vector<wchar_t> FileDialogFilter(const std::wstring& text);

// The slider position (0..100) of p seconds in d; 0 when d is not positive.
int PlayerSliderPercent(double position, double duration);
