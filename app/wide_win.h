// The core keeps text as char16_t, which has wchar_t's layout on Windows; these
// turn one into the other at the edge of the W functions.
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string FromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }
inline const wchar_t* WidePtr(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline const wchar_t* WidePtr(const std::u16string& text) { return WidePtr(text.c_str()); }
