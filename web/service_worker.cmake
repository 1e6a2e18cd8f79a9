# Writes SITE/sw.js from TEMPLATE: the cache NAME with a digest of the site's
# FILES after it, and the list of FILES to keep.
set(digests "")
foreach(file IN LISTS FILES)
  file(SHA256 ${SITE}/${file} digest)
  string(APPEND digests "${digest}")
endforeach()
string(SHA256 digest "${digests}")
string(SUBSTRING "${digest}" 0 12 digest)
set(cache "${NAME}-${digest}")
list(TRANSFORM FILES REPLACE "(.+)" "'\\1'")
list(JOIN FILES ", " files)
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
