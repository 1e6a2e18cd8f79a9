# Checks that every file which writes the game's version agrees with the one
# the top CMakeLists.txt sets (its project version and stage), and that a bump
# of the version in any one of those files alone would be caught:
#
#   cmake -DVERSION=1.2 -DSTAGE=beta -DSOURCE_DIR=DIR -DWORK_DIR=DIR -P check_version.cmake
#
# From VERSION 1.2 and STAGE beta: the game calls itself 1.2b ("1.2b beta" in
# its title), Debian 1.2~beta-N, and the exe's numeric version is 1, 2, 0, 0.
cmake_minimum_required(VERSION 3.25)
foreach(variable VERSION STAGE SOURCE_DIR WORK_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "check_version.cmake needs -D${variable}=...")
  endif()
endforeach()

string(SUBSTRING "${STAGE}" 0 1 stage_letter)
set(label "${VERSION}${stage_letter}")
set(titled "${label} ${STAGE}")
set(upstream "${VERSION}~${STAGE}")
string(REPLACE "." ";" numbers "${VERSION}.0.0.0")
list(SUBLIST numbers 0 4 numbers)
list(JOIN numbers ", " numeric)

# Each place: a file, a regular expression whose first group captures the
# version written there, and what it must be.
set(places
  "debian/changelog|^zelvix \\(([^)]*)-[0-9]+\\)|${upstream}"
  "data/org.torvane.Zelvix.metainfo.xml|<release version=\"([^\"]*)\"|${upstream}"
  "data/zelvix.rc|^FILEVERSION (.*)$|${numeric}"
  "data/zelvix.rc|^PRODUCTVERSION (.*)$|${numeric}"
  "data/zelvix.rc|\"FileVersion\", \"([^\"]*)\"|${titled}"
  "data/zelvix.rc|\"ProductVersion\", \"([^\"]*)\"|${titled}"
  "man/zelvix.6|^\\.TH ZELVIX 6 [^ ]+ \"Zelvix ([^\"]*)\"|${label}"
  "man/zelvix.6|^\\.B Zelvix version (.*) \\\\- |${titled}"
  "src/app/dialogue.cpp|\"Zelvix version ([^ ]*) console|${label}"
  "src/app/window_start.cpp|\"Zelvix version (.*) - |${titled}"
  "src/game/state.h|\"Zelvix ([^\"]*)\"|${label}"
  "bench/bare_loop.cpp|\"Zelvix ([^\"]*)\"|${label}"
  "tests/package/check_deb.sh|^title=\"Zelvix version ([^\"]*)\"|${titled}"
  "README.md|zelvix-([^ ]*)-win64\\.zip|${label}"
  "README.md|zelvix-([^ ]*)-web\\.[hz]|${label}"
  "README.md|zelvix_([0-9][^ _]*)_[a-z0-9]+\\.deb|<changelog>")

# check_tree(DIR RESULT): sets RESULT to the list of disagreements in DIR.
# <changelog> stands for the version at the head of DIR's debian/changelog.
function(check_tree dir result)
  set(problems "")
  file(STRINGS "${dir}/debian/changelog" head LIMIT_COUNT 1)
  string(REGEX MATCH "\\(([^)]*)\\)" whole "${head}")
  set(debian "${CMAKE_MATCH_1}")
  foreach(place IN LISTS places)
    string(REPLACE "|" ";" place "${place}")
    list(GET place 0 file)
    list(GET place 1 regex)
    list(GET place 2 want)
    string(REPLACE "<changelog>" "${debian}" want "${want}")
    file(STRINGS "${dir}/${file}" lines REGEX "${regex}")
    if(NOT lines)
      list(APPEND problems "${file}: nothing matches ${regex}")
      continue()
    endif()
    # Every line that writes it, not just the first.
    foreach(line IN LISTS lines)
      string(REGEX MATCH "${regex}" whole "${line}")
      if(NOT CMAKE_MATCH_1 STREQUAL want)
        list(APPEND problems "${file}: '${CMAKE_MATCH_1}' where '${want}' is expected")
      endif()
    endforeach()
  endforeach()
  set(${result} "${problems}" PARENT_SCOPE)
endfunction()

check_tree("${SOURCE_DIR}" problems)
if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "The version ${VERSION} ${STAGE} of CMakeLists.txt is not what these say:\n  ${text}")
endif()

# Each place in turn, in a copy of the files where that one line alone has
# its version bumped: the check must name its file.
set(files "")
foreach(place IN LISTS places)
  string(REGEX REPLACE "\\|.*" "" file "${place}")
  list(APPEND files "${file}")
endforeach()
list(REMOVE_DUPLICATES files)
set(tree "${WORK_DIR}/version-tree")
foreach(place IN LISTS places)
  string(REPLACE "|" ";" place "${place}")
  list(GET place 0 edited)
  list(GET place 1 regex)
  file(REMOVE_RECURSE "${tree}")
  foreach(file IN LISTS files)
    file(READ "${SOURCE_DIR}/${file}" content)
    if(file STREQUAL edited)
      file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "${regex}")
      list(GET lines 0 line)
      string(REPLACE "${VERSION}" "${VERSION}9" bumped "${line}")
      string(REPLACE "${numeric}" "${numeric}9" bumped "${bumped}")
      string(REPLACE "${line}" "${bumped}" content "${content}")
    endif()
    file(WRITE "${tree}/${file}" "${content}")
  endforeach()
  check_tree("${tree}" problems)
  list(FILTER problems INCLUDE REGEX "^${edited}:")
  if(NOT problems)
    message(FATAL_ERROR "A version bump in ${edited}, on the line matching ${regex}, goes unnoticed")
  endif()
endforeach()
file(REMOVE_RECURSE "${tree}")
list(LENGTH places count)
message("The version ${label} agrees in all ${count} places; a bump in any one of them alone is caught.")
