# Reading a 6 MB LibreOffice-written Japanese RTF, against AbiWord's reader on the same file
# (its start-up taken out), in alternating rounds; writing it back.
if(TARGET velmo_rtf AND TARGET velmo_codec)
  add_executable(bench_rtf ${CMAKE_CURRENT_LIST_DIR}/rtf_bench.cpp)
  target_link_libraries(bench_rtf PRIVATE velmo_rtf velmo_codec benchmark::benchmark)
endif()
