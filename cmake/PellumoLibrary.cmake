# pellumo_library(<name> [DEPS <targets>...] [EXCLUDE <files>...])
# Builds every .cpp/.h of the calling folder into one static library.
# A folder that has no sources yet yields an INTERFACE library, so that the
# dependency graph stays the same while subsystems are filled in.
function(pellumo_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  set(cpp_sources ${sources})
  list(FILTER cpp_sources INCLUDE REGEX "\\.cpp$")
  if(cpp_sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    pellumo_use_pch(${name})
  else()
    add_library(${name} INTERFACE ${sources})
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# pellumo_test(<name> [MAIN <object library>] DEPS <targets>...)
# One GoogleTest executable per test folder, every .cpp in it; widgets run on
# Qt's offscreen platform. (gtest_discover_tests splits a list-valued property,
# so only one variable is set here; tests find the generated videos through
# the build path compiled into pellumo_fixtures.)
function(pellumo_test name)
  cmake_parse_arguments(ARG "" "MAIN" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  # A folder whose tests need an application object names a shared main
  # (MAIN) or brings its own main.cpp.
  if(ARG_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} ${ARG_MAIN} GTest::gtest GTest::gmock)
  elseif(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  pellumo_use_pch(TESTS ${name})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               TIMEOUT 300)
endfunction()

# pellumo_add_subfolders()
# Adds every subfolder of the calling folder that has a CMakeLists.txt, so that
# each subsystem's tests, benchmarks and fuzz targets live in a folder of their own.
function(pellumo_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
