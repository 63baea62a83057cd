# Native build: the portable core and its unit tests, with ASan and UBSan.
if(OSTRAK_SANITIZE)
  set(sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_compile_options(ostrak_core PUBLIC ${sanitize_flags})
  target_link_options(ostrak_core PUBLIC ${sanitize_flags})
endif()

find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
enable_testing()
include(GoogleTest)

file(GLOB_RECURSE native_tests CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/*_test.cpp")
list(FILTER native_tests EXCLUDE REGEX "_win_test\\.cpp$")
add_executable(ostrak_tests ${native_tests})
target_compile_options(ostrak_tests PRIVATE ${warning_flags})
target_link_libraries(ostrak_tests PRIVATE ostrak_console ostrak_lighting_interface ostrak_simulator GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
target_compile_definitions(ostrak_tests PRIVATE OSTRAK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
gtest_discover_tests(ostrak_tests DISCOVERY_TIMEOUT 60)

# The console program, for the commands that need no keyboard.
add_executable(ostrak-cli "${PROJECT_SOURCE_DIR}/console/ostrak_cli_main.cpp")
target_link_libraries(ostrak-cli PRIVATE ostrak_console)
target_compile_options(ostrak-cli PRIVATE ${warning_flags})
if(NOT OSTRAK_SANITIZE)
  # Scripts start it often: without loading the C++ runtime it starts in
  # about two thirds of the time.
  target_link_options(ostrak-cli PRIVATE -static-libstdc++ -static-libgcc)
endif()

# Programs that run natively beside the tests (the keyboard simulator's server).
file(GLOB native_programs CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/simulator/*main.cpp")
foreach(main IN LISTS native_programs)
  get_filename_component(name "${main}" NAME_WE)
  string(REGEX REPLACE "_main$" "" name "${name}")
  add_executable(${name} "${main}")
  target_link_libraries(${name} PRIVATE ostrak_simulator Threads::Threads)
  target_compile_options(${name} PRIVATE ${warning_flags})
endforeach()

# Benchmarks: tests/bench/*_bench.cpp, each a program that measures its
# subject against a baseline in turns (tests/support/paired_ratio.h) and ends
# with its summary lines; scripts/bench runs them and prints the table.
file(GLOB benchmarks CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/bench/*_bench.cpp")
foreach(source IN LISTS benchmarks)
  get_filename_component(name "${source}" NAME_WE)
  add_executable(${name} "${source}")
  target_link_libraries(${name} PRIVATE ostrak_lighting_interface ostrak_simulator Threads::Threads)
  target_compile_options(${name} PRIVATE ${warning_flags})
endforeach()
# The console benchmark runs ostrak-cli against a plain stdio reader.
add_executable(stdio_read "${PROJECT_SOURCE_DIR}/tests/bench/stdio_read.c")
add_dependencies(console_bench ostrak-cli stdio_read)
target_compile_definitions(console_bench PRIVATE
  OSTRAK_CLI="$<TARGET_FILE:ostrak-cli>" OSTRAK_STDIO_READ="$<TARGET_FILE:stdio_read>")
