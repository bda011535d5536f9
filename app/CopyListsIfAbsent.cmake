# Copies each bundled list file into DST unless a file of that name is already there.
file(GLOB lists "${SRC}/*.dat")
foreach(list ${lists})
  get_filename_component(name "${list}" NAME)
  if(NOT EXISTS "${DST}/${name}")
    file(COPY "${list}" DESTINATION "${DST}")
  endif()
endforeach()
