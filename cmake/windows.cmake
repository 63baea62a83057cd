# Windows build: the core plus the Windows layer, the program folder that a user
# installs, and the Windows tests that CTest runs under Wine.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)

set(OSTRAK_PROGRAM_DIR "${CMAKE_BINARY_DIR}/Ostrak")
# comdlg32 and comctl32 are loaded when first used (controls/kit_controls_win.cpp,
# controls/subclass_win.cpp): under Wine either one costs a start as much as the
# smallest dialog program. A call into comctl32 from the program brings its
# import back; only test programs call it directly.
set(system_libraries
  user32 gdi32 shell32 comctl32 ole32 oleaut32 uuid advapi32 shlwapi
  setupapi hid gdiplus ws2_32 msimg32 version)

add_library(ostrak_win STATIC ${windows_sources})
target_link_libraries(ostrak_win PUBLIC ostrak_lighting_interface ostrak_core ${system_libraries})
target_compile_options(ostrak_win PRIVATE ${warning_flags})

# Resources: dialog templates, menus, icons, strings and the version. The icons
# and the skin pictures are generated into the build folder. Each file of the
# program folder carries the version (resources/version_info.rc).
include(${PROJECT_SOURCE_DIR}/assets/assets.cmake)
set(resource_script "${PROJECT_SOURCE_DIR}/resources/ostrak.rc")
set_source_files_properties(${resource_script} PROPERTIES OBJECT_DEPENDS "${OSTRAK_ICON_FILES}")

add_executable(Ostrak WIN32 shell/main_win.cpp ${resource_script})
target_link_libraries(Ostrak PRIVATE ostrak_win)
target_link_options(Ostrak PRIVATE -municode)
target_compile_options(Ostrak PRIVATE ${warning_flags})
target_include_directories(Ostrak PRIVATE "${OSTRAK_GENERATED_DIR}")
set_target_properties(Ostrak PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${OSTRAK_PROGRAM_DIR}")
add_dependencies(Ostrak ostrak_program_folder)

# The console program beside it, for scripts: the same core and HidServ.dll.
add_executable(ostrak-cli console/ostrak_cli_main_win.cpp resources/ostrak_cli.rc)
target_link_libraries(ostrak-cli PRIVATE ostrak_console ostrak_win)
target_link_options(ostrak-cli PRIVATE -municode)
target_compile_options(ostrak-cli PRIVATE ${warning_flags})
set_target_properties(ostrak-cli PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${OSTRAK_PROGRAM_DIR}")

# The device service library, loaded by name from the program folder.
file(GLOB hidserv_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/hidserv/*.cpp")
if(hidserv_sources)
  add_library(HidServ SHARED ${hidserv_sources} resources/hidserv.rc)
  target_link_libraries(HidServ PRIVATE ostrak_simulator ${system_libraries})
  target_compile_options(HidServ PRIVATE ${warning_flags})
  set_target_properties(HidServ PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY "${OSTRAK_PROGRAM_DIR}")
endif()

# Windows tests, built with GoogleTest from Debian's sources.
enable_testing()
include(GoogleTest)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

set(OSTRAK_TEST_PROGRAMS_DIR "${CMAKE_BINARY_DIR}/test-programs")
file(GLOB windows_test_support CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/support/*_win.cpp")
set(test_build_folders
  OSTRAK_PROGRAM_DIR_UNIX="${OSTRAK_PROGRAM_DIR}"
  OSTRAK_TEST_PROGRAMS_DIR_UNIX="${OSTRAK_TEST_PROGRAMS_DIR}"
  OSTRAK_SOURCE_DIR_UNIX="${PROJECT_SOURCE_DIR}")
file(GLOB test_programs CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/programs/*_main_win.cpp")
set(test_programs_hosting_windows soak window_bench editor_shots main_shots)
set(test_program_targets "")
foreach(main IN LISTS test_programs)
  get_filename_component(name "${main}" NAME_WE)
  string(REGEX REPLACE "_main_win$" "" name "${name}")
  add_executable(${name} WIN32 "${main}" ${windows_test_support})
  target_link_libraries(${name} PRIVATE ostrak_win ostrak_simulator)
  target_compile_options(${name} PRIVATE ${warning_flags})
  # A helper that hosts the program's own windows needs its resources; the
  # others stay as small as they are (one is the start-up benchmark's baseline).
  if(name IN_LIST test_programs_hosting_windows)
    target_sources(${name} PRIVATE ${resource_script})
    target_include_directories(${name} PRIVATE "${OSTRAK_GENERATED_DIR}")
  endif()
  target_compile_definitions(${name} PRIVATE ${test_build_folders})
  target_link_options(${name} PRIVATE -municode)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${OSTRAK_TEST_PROGRAMS_DIR}")
  list(APPEND test_program_targets ${name})
endforeach()

# The keyboard simulator's server, built for Windows too: the Windows tests
# start it under Wine beside the test program.
file(GLOB simulator_programs CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/simulator/*main.cpp")
foreach(main IN LISTS simulator_programs)
  get_filename_component(name "${main}" NAME_WE)
  string(REGEX REPLACE "_main$" "" name "${name}")
  add_executable(${name} "${main}")
  target_link_libraries(${name} PRIVATE ostrak_simulator ws2_32)
  target_compile_options(${name} PRIVATE ${warning_flags})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${OSTRAK_TEST_PROGRAMS_DIR}")
  list(APPEND test_program_targets ${name})
endforeach()

file(GLOB_RECURSE windows_tests CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/*_win_test.cpp")
add_executable(ostrak_win_tests ${windows_tests} ${windows_test_support} ${resource_script})
target_link_libraries(ostrak_win_tests PRIVATE ostrak_console ostrak_win ostrak_simulator gtest gmock gtest_main oleacc ole32 oleaut32)
target_compile_options(ostrak_win_tests PRIVATE ${warning_flags})
target_include_directories(ostrak_win_tests PRIVATE "${OSTRAK_GENERATED_DIR}")
target_compile_definitions(ostrak_win_tests PRIVATE ${test_build_folders})
add_dependencies(ostrak_win_tests Ostrak ostrak-cli ${test_program_targets})
if(TARGET HidServ)
  add_dependencies(ostrak_win_tests HidServ)
endif()
gtest_discover_tests(ostrak_win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 120)
