# Assembles the program folder beside Ostrak.exe: Skins\ (language file, skin
# files and pictures), Help\index.html and the empty Package\ folder, and makes
# the program's icons for the resource compiler.
set(OSTRAK_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
set(assets "${PROJECT_SOURCE_DIR}/assets")

find_program(IMAGEMAGICK_CONVERT convert-im6.q16 convert PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

set(OSTRAK_ICON_FILES
  "${OSTRAK_GENERATED_DIR}/icon128.ico" "${OSTRAK_GENERATED_DIR}/icon141.ico" "${OSTRAK_GENERATED_DIR}/icon142.ico")
find_program(PYTHON3 python3 REQUIRED)
set(skin_generator "${assets}/skin/generate.py" "${assets}/skin/layout.py")
add_custom_command(
  OUTPUT ${OSTRAK_ICON_FILES}
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${OSTRAK_GENERATED_DIR}"
  COMMAND "${assets}/make-icons" "${IMAGEMAGICK_CONVERT}" "${OSTRAK_GENERATED_DIR}"
  DEPENDS "${assets}/make-icons" ${skin_generator}
  COMMENT "Drawing the program icons")

# Our skin: every skin file and picture of Skins\, drawn from the layout description.
set(skin_stamp "${OSTRAK_GENERATED_DIR}/skin.stamp")
add_custom_command(
  OUTPUT "${skin_stamp}" "${OSTRAK_PROGRAM_DIR}/Skins/Main.ini"
  COMMAND "${PYTHON3}" "${assets}/skin/generate.py" "${IMAGEMAGICK_CONVERT}" "${OSTRAK_PROGRAM_DIR}/Skins"
  COMMAND "${CMAKE_COMMAND}" -E touch "${skin_stamp}"
  DEPENDS ${skin_generator}
  COMMENT "Drawing the skin")

set(language_file "${OSTRAK_PROGRAM_DIR}/Skins/language.ini")
add_custom_command(
  OUTPUT "${language_file}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${OSTRAK_PROGRAM_DIR}/Skins"
  COMMAND "${assets}/to-utf16-ini" "${assets}/language.ini" "${language_file}"
  DEPENDS "${assets}/language.ini" "${assets}/to-utf16-ini"
  COMMENT "Writing Skins/language.ini")

set(help_page "${OSTRAK_PROGRAM_DIR}/Help/index.html")
add_custom_command(
  OUTPUT "${help_page}"
  COMMAND "${CMAKE_COMMAND}" -E copy "${assets}/help/index.html" "${help_page}"
  DEPENDS "${assets}/help/index.html")

add_custom_target(ostrak_program_folder ALL
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${OSTRAK_PROGRAM_DIR}/Package"
  DEPENDS "${language_file}" "${help_page}" "${skin_stamp}" ${OSTRAK_ICON_FILES})
