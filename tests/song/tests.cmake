kore_test_folder(song DEPS kore::song)
