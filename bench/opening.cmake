# Opening documents to a mapped window and to idle, Velmo against FeatherPad (the same text
# in UTF-8) and AbiWord (the same LibreOffice-written RTF), in alternating rounds. Needs an X
# server: xvfb-run -a build/bench_opening. The peers come from scripts/benchsetup.sh.
if(TARGET velmo AND TARGET velmo_codec)
  find_package(PkgConfig)
  if(PkgConfig_FOUND)
    pkg_check_modules(XCB IMPORTED_TARGET xcb)
  endif()
  if(XCB_FOUND)
    add_executable(bench_opening ${CMAKE_CURRENT_LIST_DIR}/opening_bench.cpp)
    target_link_libraries(bench_opening PRIVATE velmo_codec benchmark::benchmark PkgConfig::XCB)
    target_compile_definitions(bench_opening PRIVATE VELMO_PROGRAM="$<TARGET_FILE:velmo>")
    add_dependencies(bench_opening velmo)
  endif()
endif()
