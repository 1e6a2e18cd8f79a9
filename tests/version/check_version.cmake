# Checks that the files which write the game's version by hand (its own
# texts, debian/changelog, the manual page, the README) agree with the
# project's, as the top CMakeLists.txt names it, and that a bump of the
# version in any one of those files alone would be caught:
#
#   cmake -DLABEL=1.2b -DTITLED="1.2b beta" -DDEBIAN=1.2~beta -DSOURCE_DIR=DIR -DWORK_DIR=DIR -P check_version.cmake
cmake_minimum_required(VERSION 3.25)
foreach(variable LABEL TITLED DEBIAN SOURCE_DIR WORK_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "check_version.cmake needs -D${variable}=...")
  endif()
endforeach()

# Each place: a file, a regular expression whose first group captures the
# version written there, and what it must be.
set(places
  "debian/changelog|^zelvix \\(([^)]*)-[0-9]+\\)|${DEBIAN}"
  "man/zelvix.6|^\\.TH ZELVIX 6 [^ ]+ \"Zelvix ([^\"]*)\"|${LABEL}"
  "man/zelvix.6|^\\.B Zelvix version (.*) \\\\- |${TITLED}"
  "src/app/dialogue.cpp|\"Zelvix version ([^ ]*) console|${LABEL}"
  "src/app/window_start.cpp|\"Zelvix version (.*) - |${TITLED}"
  "src/game/state.h|\"Zelvix ([^\"]*)\"|${LABEL}"
  "bench/bare_loop.cpp|\"Zelvix ([^\"]*)\"|${LABEL}"
  "debian/tests/play|^banner=\\$'Zelvix version ([^ ]*) console|${LABEL}"
  "README.md|zelvix-([^ ]*)-win64\\.zip|${LABEL}"
  "README.md|zelvix-([^ ]*)-web\\.[hz]|${LABEL}"
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
  message(FATAL_ERROR "The version ${TITLED} of CMakeLists.txt is not what these say:\n  ${text}")
endif()

# Each place in turn, in a copy of the files where that one line alone has
# its version bumped: the check must name its file.
set(files "")
foreach(place IN LISTS places)
  string(REGEX REPLACE "\\|.*" "" file "${place}")
  list(APPEND files "${file}")
endforeach()
list(REMOVE_DUPLICATES files)
string(REGEX REPLACE "~.*" "" version "${DEBIAN}")
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
      string(REPLACE "${version}" "${version}9" bumped "${line}")
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
message("The version ${LABEL} agrees in all ${count} places; a bump in any one of them alone is caught.")
