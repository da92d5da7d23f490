// The five encoding numbers of a quality level: built in, or from EncodeSettings.ini.
#pragma once

#include "encoder/Vistrelenc.h"

// Fills the video bit rate, frame rate, sampling rate, audio bit rate and channel count
// of param for quality 0 HD .. 4 Lower (any other index: High); nothing else of it.
void GetQualityPreset(int quality, SEncoderParam& param);
