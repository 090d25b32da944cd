kore_test_folder(playback DEPS kore::playback)
