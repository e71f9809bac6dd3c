# Start-up of an editor window to a shown, exposed window, against a bare Qt main window.
if(TARGET velmo_app AND TARGET velmo_testdoubles)
  add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp)
  target_link_libraries(bench_startup PRIVATE velmo_app velmo_testdoubles benchmark::benchmark)
endif()
