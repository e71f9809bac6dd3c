# The editing engine on a 10 MB Shift-JIS document: open, keystrokes with the status-bar
# queries, index queries and find, each against the same work on a 1 KB document.
if(TARGET velmo_editor)
  add_executable(bench_editor ${CMAKE_CURRENT_LIST_DIR}/editor_bench.cpp)
  target_include_directories(bench_editor PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_editor PRIVATE velmo_editor benchmark::benchmark Qt6::Widgets)
endif()
# A window to look at under Xvfb: marks, fixed-width wrapping, a Japanese document.
if(TARGET velmo_editor)
  add_executable(editor_demo ${CMAKE_CURRENT_LIST_DIR}/editor_demo.cpp)
  target_link_libraries(editor_demo PRIVATE velmo_editor Qt6::Widgets)
endif()
