// GDI+ with NOMINMAX: its headers expect min and max in scope.
#pragma once

#include <windows.h>
#include <algorithm>
namespace Gdiplus { using std::min; using std::max; }
#include <gdiplus.h>

namespace vt {

// GdiplusStartup / GdiplusShutdown for the life of the object.
class GdiplusSession {
public:
    GdiplusSession() noexcept {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
    }
    ~GdiplusSession() { if (m_token) Gdiplus::GdiplusShutdown(m_token); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Ok() const noexcept { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

} // namespace vt
