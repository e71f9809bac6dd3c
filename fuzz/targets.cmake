# Every fuzz target with the libraries it needs; read by the fuzz build and by the replay
# tests (tests/fuzz), which define velmo_fuzz their own way.
velmo_fuzz(rtf_reader DEPS velmo_rtf)
velmo_fuzz(cp932_roundtrip DEPS velmo_codec)
velmo_fuzz(settings_reader DEPS velmo_settings)
# The parser alone: the window library around it is not needed.
velmo_fuzz(commandline DEPS velmo_settings velmo_platform
           SOURCES ${PROJECT_SOURCE_DIR}/src/app/commandline.cpp)
velmo_fuzz(bus_request DEPS velmo_platform)
velmo_fuzz(address_finder DEPS velmo_links)
