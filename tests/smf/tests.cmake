kore_test_folder(smf DEPS kore::smf)

# kore-cli's SMF commands, their exports read back by an independent SMF reader (Debian's
# python3-mido).
find_program(KORE_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT KORE_SYSTEM_PYTHON)
  find_program(KORE_SYSTEM_PYTHON python3)
endif()
add_test(NAME smf_check_cli_files
         COMMAND ${KORE_SYSTEM_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/smf/check_cli_files.py
                 $<TARGET_FILE:kore-cli> ${PROJECT_SOURCE_DIR}/data/fixtures/smf)
