// The program's version, shown by the version label in every language.
#pragma once

inline constexpr char16_t kProgramVersion[] = u"1.0.0";
