if(TARGET kore_app)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  kore_test_folder(app DEPS kore::app Qt6::Test ENV "QT_QPA_PLATFORM=offscreen")
endif()
