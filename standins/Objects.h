// The encoder and profile objects of the stand-in and everything reachable from them.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace wmenc {

extern const CLSID CLSID_Encoder;
extern const CLSID CLSID_Profile;

// Documented encoder failures.
constexpr HRESULT kErrEngineRunning = static_cast<HRESULT>(0xC00D0011);
constexpr HRESULT kErrNeedsProfile = static_cast<HRESULT>(0xC00D1B67);
constexpr HRESULT kErrProfileMismatch = static_cast<HRESULT>(0xC00D1B5F);
constexpr HRESULT kErrBadSourceType = static_cast<HRESULT>(0xC00D1B5B);

// New objects with one reference, or null when out of memory.
IDispatch* NewEncoder();
IDispatch* NewProfile();

} // namespace wmenc
