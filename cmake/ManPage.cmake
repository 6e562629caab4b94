# cmake -DIN=page.N -DOUT=page.N.gz -DVERSION=x.y.z -P ManPage.cmake
# Puts the version into the page's title line (.TH ... "Quarlo x.y.z" ...) and compresses it with
# gzip -9n (no name or time stamp, so the same page gives the same bytes).
file(READ ${IN} page)
string(REGEX REPLACE "(\n|^)(\\.TH [^\n]*)\"Quarlo [^\"]*\"" "\\1\\2\"Quarlo ${VERSION}\"" page "${page}")
file(WRITE ${OUT}.tmp "${page}")
execute_process(COMMAND gzip -9nc ${OUT}.tmp OUTPUT_FILE ${OUT} RESULT_VARIABLE rc)
file(REMOVE ${OUT}.tmp)
if(rc)
  message(FATAL_ERROR "gzip failed: ${rc}")
endif()
