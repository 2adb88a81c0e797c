# cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder> -P CheckInstall.cmake
# Installs the build under PREFIX, checks that every installed piece is
# there and validates the installed desktop entry.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(files bin/pellumo bin/pellumo-grab share/pellumo/pellumo.chm share/applications/pellumo.desktop
          share/icons/hicolor/scalable/apps/pellumo.svg share/metainfo/com.orvanta.pellumo.metainfo.xml
          share/man/man1/pellumo.1.gz share/man/man1/pellumo-grab.1.gz
          share/doc/pellumo/copyright share/doc/pellumo/changelog.gz)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND files share/icons/hicolor/${size}x${size}/apps/pellumo.png)
endforeach()
foreach(file IN LISTS files)
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
