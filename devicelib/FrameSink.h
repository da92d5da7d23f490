// A minimal DirectShow renderer: one input pin that takes 24-bit RGB video and keeps the
// newest frame, bottom row first, for the caller to pull.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <cstdint>
#include <vector>

namespace devicelib {

struct FrameFormat {
    int width = 0;
    int height = 0;                 // always positive: frames are kept bottom-up
    int stride = 0;                 // bytes per row, a multiple of 4
};

// A copy of the newest frame; sequence counts the frames received so far.
struct FrameCopy {
    FrameFormat format;
    uint64_t sequence = 0;
};

// Creates the filter with one reference. preferredWidth/Height only shape the media type
// the pin proposes; any 24-bit RGB size is accepted.
IBaseFilter* CreateFrameSink(int preferredWidth, int preferredHeight);

// The format of the connection; false while unconnected.
bool FrameSinkFormat(IBaseFilter* sink, FrameFormat* format);
// Copies the newest frame into out when its sequence is above lastSequence.
bool FrameSinkTakeFrame(IBaseFilter* sink, uint64_t lastSequence, std::vector<BYTE>* out, FrameCopy* info);

} // namespace devicelib
