# One program holding both the editor and the song document, the editor linked first, as the main
# window links them: each library's internal types must stay its own.
if(TARGET kore_editor)
  kore_test_folder(link DEPS kore::editor kore::song)
endif()
