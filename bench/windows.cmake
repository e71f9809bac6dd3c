# Ten files handed to one editor window, to the tenth window on the screen naming its file,
# against as many FeatherPad windows started one after another. Needs an X display and
# FeatherPad: bench/windows_run.sh installs what is missing and runs it under Xvfb.
find_package(X11 QUIET)
if(TARGET velmo AND X11_FOUND)
  add_executable(bench_windows ${CMAKE_CURRENT_LIST_DIR}/windows_bench.cpp)
  target_include_directories(bench_windows PRIVATE ${X11_INCLUDE_DIR})
  target_link_libraries(bench_windows PRIVATE velmo_codec benchmark::benchmark ${X11_LIBRARIES})
  target_compile_definitions(bench_windows PRIVATE VELMO_PROGRAM="$<TARGET_FILE:velmo>")
  add_dependencies(bench_windows velmo)
endif()
