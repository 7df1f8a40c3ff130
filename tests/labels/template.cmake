# The label template compiled into the program, read back through LibreOffice
# (converted to .docx), unzip and catdoc.
parcelon_add_test(tst_template
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_template.cpp
    LIBS parcelon_resources
    LABELS libreoffice
    TIMEOUT 180)
