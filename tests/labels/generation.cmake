# "Start Creating Template": the step sequence against the in-memory engine.
parcelon_add_test(tst_generation
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_generation.cpp
    LIBS parcelon_labels parcelon_fakeengine
    LABELS generation
    TIMEOUT 120)
