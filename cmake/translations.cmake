# The window's texts in other languages, with Qt's lupdate and lrelease from the host (Debian's
# qt6-l10n-tools): the same tools serve the Windows build, whose own Qt has no Linguist tools.
#   pelimor_translations(TARGET OUTPUT_FOLDER TS_FILES... )
# compiles each .ts into OUTPUT_FOLDER/<name>.qm as part of TARGET, writes the template of every
# text to translate (pelimor.ts, no language) into the build tree, and gives the target
# update_translations, which brings the .ts files in the source tree up to date with the code.
find_program(PELIMOR_LUPDATE NAMES lupdate lupdate-qt6 HINTS /usr/lib/qt6/bin "${QT_HOST_PATH}/lib/qt6/bin")
find_program(PELIMOR_LRELEASE NAMES lrelease lrelease-qt6 HINTS /usr/lib/qt6/bin "${QT_HOST_PATH}/lib/qt6/bin")

# -I: lupdate follows our includes to learn each class's namespace, as tr() names it at run time.
set(PELIMOR_LUPDATE_OPTIONS -I ${PROJECT_SOURCE_DIR} -locations none -silent -tr-function-alias QT_TRANSLATE_NOOP+=PELIMOR_WINDOW_TEXT)

function(pelimor_translations target output_folder)
  if(NOT PELIMOR_LUPDATE OR NOT PELIMOR_LRELEASE)
    message(WARNING "No lupdate or lrelease (Debian: qt6-l10n-tools): the window stays in English only")
    return()
  endif()
  # The code whose texts the window shows: the windows, start-up, and the files of the plain layers
  # that mark texts with PELIMOR_WINDOW_TEXT (platform/window_text.h; read as QT_TRANSLATE_NOOP).
  # Marks in a file that had none before are found when CMake runs again.
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/ui/*.cpp ${PROJECT_SOURCE_DIR}/ui/*.h
       ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/app/*.h)
  file(GLOB_RECURSE plain_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/*.h
       ${PROJECT_SOURCE_DIR}/platform/*.cpp)
  file(GLOB more_plain_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/search/*.h ${PROJECT_SOURCE_DIR}/search/*.cpp
       ${PROJECT_SOURCE_DIR}/results/*.h ${PROJECT_SOURCE_DIR}/results/*.cpp
       ${PROJECT_SOURCE_DIR}/settings/*.h ${PROJECT_SOURCE_DIR}/settings/*.cpp)
  list(APPEND plain_sources ${more_plain_sources})
  list(REMOVE_ITEM plain_sources ${PROJECT_SOURCE_DIR}/platform/window_text.h)
  foreach(source ${plain_sources})
    file(STRINGS ${source} marks REGEX "PELIMOR_WINDOW_TEXT\\(")
    if(marks)
      list(APPEND sources ${source})
    endif()
  endforeach()
  set(template ${PROJECT_BINARY_DIR}/translations/pelimor.ts)
  add_custom_command(OUTPUT ${template}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/translations
                     COMMAND ${PELIMOR_LUPDATE} ${PELIMOR_LUPDATE_OPTIONS} -no-obsolete ${sources}
                             -ts ${template}
                     DEPENDS ${sources}
                     COMMENT "Collecting the window's texts into translations/pelimor.ts"
                     VERBATIM)
  set(outputs ${template})
  foreach(ts_file ${ARGN})
    get_filename_component(name ${ts_file} NAME_WLE)
    set(qm_file ${output_folder}/${name}.qm)
    add_custom_command(OUTPUT ${qm_file}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${output_folder}
                       COMMAND ${PELIMOR_LRELEASE} -silent ${ts_file} -qm ${qm_file}
                       DEPENDS ${ts_file}
                       VERBATIM)
    list(APPEND outputs ${qm_file})
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${outputs})
  # Run by hand after changing texts; then translate what it marks unfinished.
  add_custom_target(update_translations
                    COMMAND ${PELIMOR_LUPDATE} ${PELIMOR_LUPDATE_OPTIONS} -no-obsolete ${sources}
                            -ts ${ARGN}
                    VERBATIM)
endfunction()
