# Shift-JIS decode and encode of 10 MB of Japanese prose, against glibc iconv in the same
# process, in alternating rounds.
if(TARGET velmo_codec)
  add_executable(bench_codec ${CMAKE_CURRENT_LIST_DIR}/codec_bench.cpp)
  target_link_libraries(bench_codec PRIVATE velmo_codec benchmark::benchmark)
endif()
