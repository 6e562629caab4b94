# Connection, recordset and fields of quarlolink.
target_sources(quarlolink PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/QuarloApp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Uncarried.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Urls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../recordset/XmlFields.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../recordset/XmlRecordset.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../recordset/CutElement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../recordset/ElementCutter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../recordset/HeadValues.cpp
)
