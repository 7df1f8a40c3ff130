# "Start Creating Template": the step sequence against the in-memory engine.
parcelon_add_test(tst_generation
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_generation.cpp
    LIBS parcelon_labels parcelon_fakeengine
    LABELS unit
    TIMEOUT 120)

# The same click end to end: the real main window, the real LibreOffice engine.
if(TARGET parcelon-libreoffice)
  parcelon_add_test(tst_generation_real
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_generation_real.cpp
      LIBS parcelon_ui
      LABELS libreoffice
      TIMEOUT 300)
  add_dependencies(tst_generation_real parcelon-libreoffice)
endif()
