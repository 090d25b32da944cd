if(TARGET kore_editor)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  kore_test_folder(editor DEPS kore::editor Qt6::Test ${CMAKE_DL_LIBS} ENV "QT_QPA_PLATFORM=offscreen")
  # The shared library is loaded by name, as another program would.
  target_compile_definitions(test_editor PRIVATE PENNA_LIBRARY_PATH="$<TARGET_FILE:penna>")
  add_dependencies(test_editor penna)
endif()
