// The installation dialog of the devices library, run modally before every Start.
// DetectEncoder comes from there too.
#include "app/seams/EncoderInstall.h"

#include "devices/EncoderDetect.h"
#include "devices/EncoderInstall.h"

INT_PTR RunEncoderInstall(HWND owner) {
    CDlgDownLoadEncoder dialog;
    // Anything but OK (a failed template, a closed dialog) means nothing may start.
    return dialog.DoModal(owner) == IDOK ? IDOK : IDCANCEL;
}
