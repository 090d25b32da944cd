kore_test_folder(mml/writer DEPS kore::mml)
