# The translations of the tester's windows. Czech is the language of the texts in the code;
# translations/valdrix-tester_<language>.ts, kept in the repository, holds each other
# language. lrelease compiles each into the library `app` as the resource
# :/i18n/valdrix-tester_<language>.qm, so the program and its tests carry them.
#
# The build fails when a translation is not complete: lupdate, run over the sources, must
# find exactly the texts the file holds, each with its translation (CheckTranslation.cmake).
# `cmake --build BUILD --target translations_update` brings the files up to date with the
# sources (new texts then wait, unfinished, for their translation).
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(VALDRIX_TRANSLATIONS en)
set(translations_dir ${PROJECT_SOURCE_DIR}/translations)
set(translations_out ${PROJECT_BINARY_DIR}/translations)
# Every folder whose code shows texts in the tester's windows.
file(GLOB_RECURSE translated_sources CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/app/*.h
  ${PROJECT_SOURCE_DIR}/controls/*.cpp ${PROJECT_SOURCE_DIR}/controls/*.h
  ${PROJECT_SOURCE_DIR}/framework/gui/*.cpp ${PROJECT_SOURCE_DIR}/framework/gui/*.h
  ${PROJECT_SOURCE_DIR}/transports/*.cpp ${PROJECT_SOURCE_DIR}/transports/*.h)
# lupdate reads the classes' headers (for the context of each text) from the project root.
list(JOIN translated_sources "\n" source_lines)
string(PREPEND source_lines "-I${PROJECT_SOURCE_DIR}\n")
set(source_list ${translations_out}/sources.lst)
file(WRITE ${source_list}.new "${source_lines}\n")
file(COPY_FILE ${source_list}.new ${source_list} ONLY_IF_DIFFERENT)

set(qm_files)
set(ts_files)
foreach(language ${VALDRIX_TRANSLATIONS})
  set(ts ${translations_dir}/valdrix-tester_${language}.ts)
  set(checked ${translations_out}/valdrix-tester_${language}.checked)
  set(qm ${translations_out}/valdrix-tester_${language}.qm)
  add_custom_command(OUTPUT ${checked}
    COMMAND ${CMAKE_COMMAND} -DLUPDATE=$<TARGET_FILE:Qt6::lupdate> -DTS=${ts} -DSOURCES=${source_list}
            -DWORK_DIR=${translations_out} -DSTAMP=${checked}
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckTranslation.cmake
    DEPENDS ${ts} ${translated_sources} ${source_list} ${PROJECT_SOURCE_DIR}/cmake/CheckTranslation.cmake
    COMMENT "Checking the translation ${language}" VERBATIM)
  add_custom_command(OUTPUT ${qm}
    COMMAND Qt6::lrelease -silent ${ts} -qm ${qm}
    DEPENDS ${ts} ${checked} VERBATIM)
  list(APPEND qm_files ${qm})
  list(APPEND ts_files ${ts})
endforeach()
qt_add_resources(app valdrix_translations PREFIX /i18n BASE ${translations_out} FILES ${qm_files})

add_custom_target(translations_update
  COMMAND Qt6::lupdate -silent -locations none -no-obsolete @${source_list} -ts ${ts_files}
  VERBATIM)
