// Finding the stored camera among those the device library lists.
#pragma once

// The first camera whose name equals cameraName (same length, case-sensitive); 0 when none
// does (the first camera); -1 when there is no camera at all.
int CameraIndexByName(const wchar_t* cameraName);
