kore_test_folder(mml DEPS kore::mml)
