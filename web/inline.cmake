# Puts SCRIPT into PAGE where the page says <!-- script -->, and the lines of
# the file HEAD, if given, where it says <!-- head -->, writing OUTPUT. A
# SCRIPT with a folder is a file, put in whole; one without is the name of
# the file beside the page that holds it, which the page then loads.
file(READ ${PAGE} page)
get_filename_component(folder "${SCRIPT}" DIRECTORY)
if(folder)
  file(READ ${SCRIPT} script)
  string(FIND "${script}" "</script" closing)
  if(NOT closing EQUAL -1)
    message(FATAL_ERROR "${SCRIPT} holds </script, which would end the page's script early")
  endif()
  set(script "<script>\n${script}</script>")
else()
  set(script "<script src=\"${SCRIPT}\" defer></script>")
endif()
set(head "")
if(HEAD)
  file(READ ${HEAD} head)
endif()
string(REPLACE "<!-- head -->\n" "${head}" page "${page}")
string(REPLACE "<!-- script -->" "${script}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
