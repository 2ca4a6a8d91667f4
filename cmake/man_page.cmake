# Manual pages made at build time from a program's own --help and --version by help2man, gzipped as
# Debian keeps them, and installed with the program. Without help2man, or for another system, none.
find_program(PELIMOR_HELP2MAN help2man)

function(pelimor_man_page target name description)
  if(NOT PELIMOR_HELP2MAN OR CMAKE_CROSSCOMPILING OR WIN32)
    return()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${name}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${PELIMOR_HELP2MAN} --no-info --name=${description} --output=${page} $<TARGET_FILE:${target}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${target}
    VERBATIM)
  add_custom_target(${name}_man_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION share/man/man1)
endfunction()
