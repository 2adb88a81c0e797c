# cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder> -P CheckInstall.cmake
# Installs the build under PREFIX, checks that every installed piece is
# there and validates the installed desktop entry.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file bin/pellumo bin/pellumo-grab share/pellumo/pellumo.chm share/applications/pellumo.desktop
             share/icons/hicolor/scalable/apps/pellumo.svg share/icons/hicolor/48x48/apps/pellumo.png)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
execute_process(COMMAND desktop-file-validate ${PREFIX}/share/applications/pellumo.desktop
                RESULT_VARIABLE result OUTPUT_VARIABLE messages ERROR_VARIABLE messages)
if(NOT result EQUAL 0 OR NOT messages STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${messages}")
endif()
file(REMOVE_RECURSE ${PREFIX})
