# cmake -DLUPDATE=... -DTS=file.ts -DSOURCES=list -DWORK_DIR=dir -DSTAMP=file -P CheckTranslation.cmake
# Runs lupdate over the sources (named in the file SOURCES, one a line) into a copy of the
# translation file and fails, naming the texts, when the copy holds a text without its
# translation (a new text of the code, or one left unfinished), a translation whose text
# the code no longer has, or an empty translation; touches STAMP otherwise.
get_filename_component(name ${TS} NAME)
set(copy ${WORK_DIR}/checked-${name})
file(COPY_FILE ${TS} ${copy})
execute_process(COMMAND ${LUPDATE} -silent -locations none @${SOURCES} -ts ${copy}
  RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
if(NOT status EQUAL 0 OR errors MATCHES "[Ww]arning|[Ee]rror")
  message(FATAL_ERROR "lupdate failed on ${TS}:\n${errors}")
endif()
file(READ ${copy} content)
# A ";" would split CMake's lists.
string(REPLACE ";" "#semicolon#" content "${content}")
string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*(<comment>[^<]*</comment>[ \t\r\n]*)?<translation( type=\"[a-z]+\")?>[^<]*</translation>"
       messages "${content}")
set(problems)
foreach(message IN LISTS messages)
  string(REGEX MATCH "<source>([^<]*)</source>" _ "${message}")
  string(REPLACE "#semicolon#" ";" source "${CMAKE_MATCH_1}")
  if(message MATCHES "type=\"unfinished\"")
    list(APPEND problems "  not translated: ${source}")
  elseif(message MATCHES "type=\"(vanished|obsolete)\"")
    list(APPEND problems "  no longer in the code: ${source}")
  elseif(message MATCHES "<translation></translation>")
    list(APPEND problems "  empty translation: ${source}")
  endif()
endforeach()
string(REGEX MATCHALL "<message[ >]" all_messages "${content}")
list(LENGTH all_messages total)
list(LENGTH messages understood)
if(NOT total EQUAL understood)
  list(APPEND problems "  ${total} messages, of which ${understood} have a plain source and translation")
endif()
if(problems)
  list(JOIN problems "\n" problems)
  message(FATAL_ERROR "The translation ${TS} is not complete (cmake --build BUILD --target translations_update "
                      "brings it up to date with the code; then translate what is unfinished):\n${problems}")
endif()
file(TOUCH ${STAMP})
