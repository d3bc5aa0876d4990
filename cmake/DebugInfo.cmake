# Line tables only, compressed: a stack trace (a crash, a sanitizer report)
# still names file and line, and a build with its thirty-odd test programs,
# each linking both static libraries, takes a tenth of the disk it took with
# full debug information (the sanitizer build went past 6 GB). A Debug build
# keeps full debug information for stepping through locals.
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  add_compile_options(-g1 -gz)
  add_link_options(-gz)
endif()
