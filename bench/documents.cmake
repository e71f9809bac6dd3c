# Start-up with a large document to the window that shows it, against FeatherPad (text) and
# AbiWord (RTF) opening the same files. Needs an X display: run it under xvfb-run.
if(TARGET velmo AND TARGET velmo_codec)
  add_executable(bench_documents ${CMAKE_CURRENT_LIST_DIR}/documents_bench.cpp)
  target_link_libraries(bench_documents PRIVATE velmo_codec Qt6::Core benchmark::benchmark)
  target_include_directories(bench_documents PRIVATE ${CMAKE_CURRENT_LIST_DIR}/support)
  target_compile_definitions(bench_documents PRIVATE VELMO_PROGRAM="$<TARGET_FILE:velmo>")
  add_dependencies(bench_documents velmo)
endif()
