# Fuzz build (clang): every tests/fuzz/*_fuzz.cpp is a libFuzzer target over the core.
set(fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
target_compile_options(ostrak_core PUBLIC ${fuzz_flags})
target_link_options(ostrak_core PUBLIC -fsanitize=address,undefined)

file(GLOB fuzz_targets CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp")
foreach(source IN LISTS fuzz_targets)
  get_filename_component(name "${source}" NAME_WE)
  add_executable(${name} "${source}")
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ostrak_lighting_interface ostrak_simulator)
  target_compile_options(${name} PRIVATE ${warning_flags})
endforeach()
