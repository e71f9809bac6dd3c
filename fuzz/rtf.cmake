# The RTF reader on arbitrary bytes; whatever it reads must also survive the writer and a
# second read unchanged. The reader and the codec are built with the same sanitizers.
set(rtf_fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
add_executable(rtf_reader_fuzz ${CMAKE_CURRENT_LIST_DIR}/rtf_reader_fuzz.cpp)
target_link_libraries(rtf_reader_fuzz PRIVATE velmo_rtf)
target_compile_options(rtf_reader_fuzz PRIVATE ${rtf_fuzz_flags})
target_link_options(rtf_reader_fuzz PRIVATE ${rtf_fuzz_flags})
foreach(lib velmo_rtf velmo_codec)
  target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                         -fno-sanitize-recover=undefined)
endforeach()
# `cmake --build . --target fuzz_rtf` fuzzes for ten minutes, starting from the RTF files in
# the fixtures (other programs' files and the real-world corpus); what it finds new goes to
# the build folder, the fixtures stay as they are.
set(rtf_fuzz_seeds ${PROJECT_SOURCE_DIR}/tests/fixtures/rtf ${PROJECT_SOURCE_DIR}/tests/fixtures/rtf-corpus)
add_custom_target(fuzz_rtf
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/rtf-fuzz-corpus
  COMMAND rtf_reader_fuzz -max_total_time=600 -max_len=65536 ${CMAKE_CURRENT_BINARY_DIR}/rtf-fuzz-corpus
          ${rtf_fuzz_seeds}
  DEPENDS rtf_reader_fuzz
  USES_TERMINAL)
