# basewright_layer(<target> <folder>)
#
# Gives <target> an include folder of its own that holds a single link,
# <folder> -> the source folder of that name, and publishes it to whatever
# links the target. Headers are included by their folder ("shell/ListView.h"),
# so a library finds the headers of its own layer and of the layers it links
# to, and no others: an #include of a higher layer fails to compile.
function(basewright_layer target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  elseif(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
