// The program's version, shown by the version label and the About box in every
// language and printed by ostrak-cli --version. The build passes it in from the
// VERSION file at the top of the tree.
#pragma once

#ifndef OSTRAK_VERSION
#error "OSTRAK_VERSION comes from the build (CMakeLists.txt reads the VERSION file)"
#endif

inline constexpr char16_t kProgramVersion[] = u"" OSTRAK_VERSION;
