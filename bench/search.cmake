# Find over a 10 MB Shift-JIS document, against grep -F -c on the same bytes.
if(TARGET velmo_search)
  add_executable(bench_search ${CMAKE_CURRENT_LIST_DIR}/search_bench.cpp)
  target_include_directories(bench_search PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_search PRIVATE velmo_search benchmark::benchmark Qt6::Widgets)
endif()
