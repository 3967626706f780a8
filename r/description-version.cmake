# Fails unless the R package's DESCRIPTION gives the version of project() in
# the top-level CMakeLists.txt, which every other part of zol takes its own from:
#   cmake -DDESCRIPTION=r/zol/DESCRIPTION -DVERSION=x.y -P r/description-version.cmake
file(STRINGS ${DESCRIPTION} lines REGEX "^Version:")
string(REGEX REPLACE "^Version:[ \t]*" "" found "${lines}")
if(NOT found STREQUAL VERSION)
  message(FATAL_ERROR "${DESCRIPTION} has 'Version: ${found}' where project() in CMakeLists.txt "
                      "has ${VERSION}; give both the same version")
endif()
