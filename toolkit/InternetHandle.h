// Owner of WinINet handles (session, connection, request).
#pragma once

#include "toolkit/Raii.h"

#include <wininet.h>

namespace vt {

struct CloseInternet { void operator()(HINTERNET h) const noexcept { ::InternetCloseHandle(h); } };
using UniqueInternet = UniqueHandle<SimpleTraits<HINTERNET, CloseInternet>>;

} // namespace vt
