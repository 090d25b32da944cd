if(TARGET kore_editor_frame)
  kore_test_folder(editor/frame DEPS kore::editor_frame Qt6::Test ENV "QT_QPA_PLATFORM=offscreen")
endif()
