# Puts SCRIPT into PAGE where the page says <!-- script -->, writing OUTPUT.
file(READ ${PAGE} page)
file(READ ${SCRIPT} script)
string(FIND "${script}" "</script" closing)
if(NOT closing EQUAL -1)
  message(FATAL_ERROR "${SCRIPT} holds </script, which would end the page's script early")
endif()
string(REPLACE "<!-- script -->" "<script>\n${script}</script>" page "${page}")
file(WRITE ${OUTPUT} "${page}")
