# A picture of the line breaker at work: a Japanese paragraph broken at narrow widths, drawn
# into a PNG to look at.
if(TARGET velmo_editor)
  add_executable(breaker_picture ${CMAKE_CURRENT_LIST_DIR}/breaker_picture.cpp)
  target_link_libraries(breaker_picture PRIVATE velmo_editor Qt6::Gui)
endif()
