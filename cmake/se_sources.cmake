# se_folder_sources(<var> [<subfolder>...])
#
# The one rule for the sources of a library or program: they are the C and C++
# files of its own folder (and of the subfolders named), found when CMake runs
# and looked for again at each build (CONFIGURE_DEPENDS). A file added to a
# folder joins the folder's target; no list is kept by hand. Each target has a
# folder of its own for that reason (a second library or a program lives in a
# subfolder with its own CMakeLists.txt). Folders that hold several programs
# (tests/<area>/, bench/<area>/, fuzz/) name each program's files in their own
# CMakeLists.txt, and nowhere else.
function(se_folder_sources var)
  set(patterns ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  foreach(sub IN LISTS ARGN)
    list(APPEND patterns ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp
                         ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.c)
  endforeach()
  file(GLOB files CONFIGURE_DEPENDS ${patterns})
  list(SORT files)
  set(${var} ${files} PARENT_SCOPE)
endfunction()
