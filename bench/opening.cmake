# Window benchmarks against FeatherPad (the same text in UTF-8) and AbiWord (the same
# LibreOffice-written RTF), in alternating rounds, watched through X events: opening a
# document to its first screen drawn and to idle (bench_opening), and keys pressed in a
# 10 MB text to the repaint, a burst of keys, Ctrl+End and peak memory (bench_typing).
# Need an X server without a window manager:
#   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench_opening
# The peers and the X libraries come from scripts/benchsetup.sh.
if(TARGET velmo AND TARGET velmo_codec)
  find_package(PkgConfig)
  if(PkgConfig_FOUND)
    pkg_check_modules(XCB_WATCH IMPORTED_TARGET xcb xcb-damage xcb-xtest)
  endif()
  if(XCB_WATCH_FOUND)
    foreach(name opening typing)
      add_executable(bench_${name} ${CMAKE_CURRENT_LIST_DIR}/${name}_bench.cpp)
      target_link_libraries(bench_${name} PRIVATE velmo_codec benchmark::benchmark PkgConfig::XCB_WATCH)
      target_compile_definitions(bench_${name} PRIVATE VELMO_PROGRAM="$<TARGET_FILE:velmo>")
      add_dependencies(bench_${name} velmo)
    endforeach()
  else()
    message(STATUS "bench_opening, bench_typing: xcb-damage and xcb-xtest missing (scripts/benchsetup.sh)")
  endif()
endif()
