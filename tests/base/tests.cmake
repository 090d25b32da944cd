kore_test_folder(base DEPS kore::base)
