# velmo_module(<target> [QT] DEPS <libs...>): a static library of every source in the
# calling folder. Includes are rooted at src/, as in "platform/cp932codec.h".
function(velmo_module name)
  cmake_parse_arguments(M "" "" "SOURCES;DEPS" ${ARGN})
  if(M_SOURCES)
    set(srcs ${M_SOURCES})
  else()
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  # Sources listed by name may not be written yet while a folder is being built up.
  set(present "")
  foreach(f ${srcs})
    get_filename_component(abs ${f} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(EXISTS ${abs} AND abs MATCHES "\\.cpp$")
      list(APPEND present ${abs})
    endif()
  endforeach()
  if(NOT present)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${M_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${M_DEPS})
endfunction()

# velmo_test(<target> DEPS <libs...> [QT]): one test program for every *.cpp of the calling
# tests/ folder. QT programs start a QApplication on the offscreen platform.
function(velmo_test name)
  cmake_parse_arguments(T "QT" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT srcs MATCHES "\\.cpp")
    return()
  endif()
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    VELMO_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures"
    VELMO_BUILD_DIR="${CMAKE_BINARY_DIR}")
  if(T_QT)
    target_link_libraries(${name} PRIVATE ${T_DEPS} velmo_testsupport GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8" TIMEOUT 600)
endfunction()
