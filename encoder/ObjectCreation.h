// The one place where the encoder library creates outside COM objects, replaceable so
// that a test can hand the session objects of its own.
#pragma once

#include <windows.h>
#include <objbase.h>

// Same shape as CoCreateInstance.
using EncoderCreateInstanceFn = HRESULT(STDAPICALLTYPE*)(REFCLSID clsid, LPUNKNOWN outer,
                                                           DWORD context, REFIID iid, LPVOID* out);

// Installs fn (null: CoCreateInstance again) and returns the one installed before.
EncoderCreateInstanceFn SetEncoderCreateInstance(EncoderCreateInstanceFn fn) noexcept;

// An in-process server object of the class, asked for the interface.
HRESULT CreateEncoderObject(REFCLSID clsid, REFIID iid, void** out) noexcept;
