# Printing a 200-page Japanese RTF document to PDF, against LibreOffice converting the same
# file (soffice --headless --convert-to pdf) in the same run.
if(TARGET velmo_print AND TARGET velmo_editor)
  add_executable(bench_print ${CMAKE_CURRENT_LIST_DIR}/print_bench.cpp)
  target_include_directories(bench_print PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(bench_print PRIVATE velmo_print velmo_editor benchmark::benchmark Qt6::Widgets Qt6::PrintSupport)
endif()
