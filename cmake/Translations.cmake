# The translation template: every text the program passes through tr() or
# QCoreApplication::translate, gathered by lupdate on each build into
# build/translations/zentaro.ts. A translator copies it, translates it with
# Qt Linguist and the program loads the result by locale.
find_program(ZENTARO_LUPDATE lupdate HINTS /usr/lib/qt6/bin /usr/lib/qt6/libexec REQUIRED)
file(GLOB_RECURSE ZENTARO_TRANSLATED_SOURCES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h)
set(ZENTARO_TS_FILE ${CMAKE_BINARY_DIR}/translations/zentaro.ts)
add_custom_command(
  OUTPUT ${ZENTARO_TS_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/translations
  COMMAND ${ZENTARO_LUPDATE} -silent -locations relative -no-obsolete -source-language en
          ${PROJECT_SOURCE_DIR}/src -ts ${ZENTARO_TS_FILE}
  DEPENDS ${ZENTARO_TRANSLATED_SOURCES}
  COMMENT "Gathering the translation template"
  VERBATIM)
add_custom_target(translation_template ALL DEPENDS ${ZENTARO_TS_FILE})
