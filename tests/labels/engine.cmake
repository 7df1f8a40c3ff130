# Tests of the document engine (the LibreOffice module, its loader and the engine check).

add_library(parcelon_enginetestkit STATIC EngineTestKit.cpp EngineTestKit.h)
target_include_directories(parcelon_enginetestkit PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(parcelon_enginetestkit PUBLIC
    PARCELON_ENGINE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
target_link_libraries(parcelon_enginetestkit PUBLIC parcelon_labels parcelon_testsupport)

parcelon_add_test(tst_isinstalled
    SOURCES tst_isinstalled.cpp
    LIBS parcelon_labels parcelon_enginetestkit
    LABELS libreoffice
    TIMEOUT 120)

if(TARGET parcelon-libreoffice)
  parcelon_add_test(tst_engine
      SOURCES tst_engine.cpp
      LIBS parcelon_labels parcelon_enginetestkit
      LABELS libreoffice
      TIMEOUT 300)
  add_dependencies(tst_engine parcelon-libreoffice engine_orphan_helper)
  add_executable(engine_orphan_helper EngineOrphanHelper.cpp)
  target_link_libraries(engine_orphan_helper PRIVATE parcelon_labels parcelon_testsupport)
  target_compile_definitions(tst_engine PRIVATE
      PARCELON_ORPHAN_HELPER="$<TARGET_FILE:engine_orphan_helper>")
  add_dependencies(tst_isinstalled parcelon-libreoffice)
endif()
