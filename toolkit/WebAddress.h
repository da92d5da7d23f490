// Web pages named by files we do not control (update.ini) are opened only when they are
// plain web addresses: the shell's "open" verb runs a program path as readily as it
// shows a page.
#pragma once

#include <string>
#include <string_view>

namespace vt {

// True for an absolute http:// or https:// address (scheme in any case) with a host,
// without spaces or control characters, at most 2048 characters long.
bool IsWebAddress(std::wstring_view address) noexcept;

// Opens a web address with the shell's "open" verb (normal window). Returns false, and
// opens nothing, when the text is not a web address or the shell refuses it.
bool OpenWebAddress(const std::wstring& address);

} // namespace vt
