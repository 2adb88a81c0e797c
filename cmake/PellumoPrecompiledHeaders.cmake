# Precompiled headers for builds that start from nothing (the sanitizer build
# of CI): most of a translation unit's compile time goes into the Qt, standard
# and GoogleTest headers. The libraries and programs reuse one precompiled
# header, the test programs another that adds GoogleTest (whose targets bring
# a definition of their own).
#
# Off by default: ccache does not cache compilations that use a precompiled
# header unless told to, and the forced include would hide a missing #include
# in the everyday build.
option(PELLUMO_PCH "Precompile the heavy Qt, standard and GoogleTest headers" OFF)

set(PELLUMO_PCH_HEADERS
  <algorithm> <array> <cstring> <functional> <limits> <memory> <optional> <stdexcept> <vector>
  <QAction> <QApplication> <QByteArray> <QDir> <QFile> <QFileInfo> <QImage> <QLabel> <QList>
  <QObject> <QPainter> <QPointer> <QPushButton> <QString> <QStringList> <QTimer> <QWidget>)
# GCC uses a precompiled header only where every macro it was made with is
# defined alike. The Qt headers never test these three, so every target that
# reuses a header defines them too, whichever Qt modules it links.
set(PELLUMO_PCH_QT_DEFINITIONS QT_CORE_LIB QT_GUI_LIB QT_WIDGETS_LIB)

if(PELLUMO_PCH)
  set(pch_stub ${PROJECT_BINARY_DIR}/pellumo_pch_stub.cpp)
  file(CONFIGURE OUTPUT ${pch_stub} CONTENT "// Only here to make the precompiled header.\n")

  add_library(pellumo_pch_code STATIC ${pch_stub})
  target_link_libraries(pellumo_pch_code PRIVATE Qt6::Widgets)
  target_precompile_headers(pellumo_pch_code PRIVATE ${PELLUMO_PCH_HEADERS})

  find_package(GTest REQUIRED)
  add_library(pellumo_pch_tests STATIC ${pch_stub})
  target_link_libraries(pellumo_pch_tests PRIVATE Qt6::Widgets GTest::gtest GTest::gmock)
  target_precompile_headers(pellumo_pch_tests PRIVATE ${PELLUMO_PCH_HEADERS}
                            <QBuffer> <QTemporaryDir> <gtest/gtest.h> <gmock/gmock.h>)
  set_target_properties(pellumo_pch_code pellumo_pch_tests PROPERTIES AUTOMOC OFF)
endif()

# pellumo_use_pch([TESTS] <target>...)
# Lets the targets reuse the precompiled header (the one with GoogleTest for
# TESTS) when PELLUMO_PCH is on.
function(pellumo_use_pch)
  if(NOT PELLUMO_PCH)
    return()
  endif()
  cmake_parse_arguments(ARG "TESTS" "" "" ${ARGN})
  set(source pellumo_pch_code)
  if(ARG_TESTS)
    set(source pellumo_pch_tests)
  endif()
  foreach(target IN LISTS ARG_UNPARSED_ARGUMENTS)
    set_target_properties(${target} PROPERTIES PRECOMPILE_HEADERS_REUSE_FROM ${source})
    target_compile_definitions(${target} PRIVATE ${PELLUMO_PCH_QT_DEFINITIONS})
  endforeach()
endfunction()
