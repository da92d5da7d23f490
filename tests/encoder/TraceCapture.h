// Collects this process's OutputDebugString lines while it lives: without a debugger
// they arrive as the debug-print exceptions, which a vectored handler sees first.
#pragma once

#include <windows.h>
#include <mutex>
#include <string>
#include <vector>

class TraceCapture {
public:
    TraceCapture() { s_self = this; m_handler = AddVectoredExceptionHandler(1, &Handler); }
    ~TraceCapture() {
        RemoveVectoredExceptionHandler(m_handler);
        s_self = nullptr;
    }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_lines;
    }

private:
    static constexpr DWORD PrintA = 0x40010006;  // DBG_PRINTEXCEPTION_C
    static constexpr DWORD PrintW = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
        const EXCEPTION_RECORD* r = info->ExceptionRecord;
        if ((r->ExceptionCode != PrintA && r->ExceptionCode != PrintW) || r->NumberParameters < 2 || !s_self) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        std::string line;
        if (r->ExceptionCode == PrintW) {
            const wchar_t* s = reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]);
            for (; s && *s; ++s) line += *s < 128 ? static_cast<char>(*s) : '?';
        } else {
            const char* s = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
            if (s) line = s;
        }
        {
            std::lock_guard<std::mutex> lock(s_self->m_lock);
            s_self->m_lines.push_back(line);
        }
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    static inline TraceCapture* s_self = nullptr;
    PVOID m_handler = nullptr;
    std::mutex m_lock;
    std::vector<std::string> m_lines;
};
