# Precompiled headers for the targets with many sources: GoogleTest and the standard
# library for test programs, the common Qt Widgets classes for window code. Parsing these
# headers is most of the compile time of a test or window source; a target with few
# sources would pay more for the header than it saves.
option(VALDRIX_PCH "Precompile the heavy headers of large targets" ON)

set(VALDRIX_PCH_STD <string> <vector> <memory> <functional> <chrono> <thread> <mutex>)
set(VALDRIX_PCH_QT <QApplication> <QWidget> <QString> <QTimer> <QLabel> <QPushButton> <QLineEdit>)

# valdrix_pch(TARGET SOURCE_COUNT [TESTS] [QT]): precompiles for TARGET when it has at
# least four sources; TESTS adds GoogleTest (and Qt Test with QT), QT the Qt classes.
function(valdrix_pch target count)
  cmake_parse_arguments(A "TESTS;QT" "" "" ${ARGN})
  if(NOT VALDRIX_PCH OR count LESS 4)
    return()
  endif()
  set(headers ${VALDRIX_PCH_STD})
  if(A_TESTS)
    list(APPEND headers <gtest/gtest.h> <gmock/gmock.h>)
  endif()
  if(A_QT)
    list(APPEND headers ${VALDRIX_PCH_QT})
    if(A_TESTS)
      list(APPEND headers <QTest>)
    endif()
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
