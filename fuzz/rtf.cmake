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
