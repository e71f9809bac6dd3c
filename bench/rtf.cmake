# Reading and writing a 6 MB Japanese RTF, against AbiWord's whole-process conversion.
if(TARGET velmo_rtf)
  add_executable(bench_rtf ${CMAKE_CURRENT_LIST_DIR}/rtf_bench.cpp)
  target_link_libraries(bench_rtf PRIVATE velmo_rtf benchmark::benchmark)
endif()
