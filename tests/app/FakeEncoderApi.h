// The encoder library's eight functions as a fake: every call is logged with its thread,
// any step can fail, and Creator and Stop can be held until the test lets them go.
#pragma once

#include "app/EncoderApi.h"

#include <windows.h>
#include <string>
#include <vector>

namespace fakeapi {

struct Call {
    std::string name;  // "Creator", "SetEncodeParam", ... "Close"
    DWORD thread;
};

struct Config {
    std::string failStep;      // the step that fails ("Creator" gives a null handle)
    int failCode = 0x00BF0002;
    int stopFailures = 0;      // SEncoderStop fails this many times first
    int pauseCode = 0;
    bool holdCreator = false;  // Creator waits for Release()
    bool holdStop = false;     // Stop waits for Release()
};

void Reset(const Config& config = Config{});
const EncoderApi& Api();
std::vector<Call> Calls();
std::vector<std::string> Names();
int Count(const std::string& name);
// The last parameters and output path handed over.
SEncoderSource LastSource();
SEncoderParam LastParam();
std::wstring LastPath();
// Lets a held Creator or Stop go on.
void Release();

} // namespace fakeapi
