kore_test_folder(smf DEPS kore::smf)

# Exported files read back by an independent SMF implementation (Debian's python3-mido).
find_program(KORE_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT KORE_SYSTEM_PYTHON)
  find_program(KORE_SYSTEM_PYTHON python3)
endif()
add_test(NAME smf_check_with_mido
         COMMAND ${KORE_SYSTEM_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/smf/check_with_mido.py
                 $<TARGET_FILE:kore-cli> ${PROJECT_SOURCE_DIR}/data/fixtures/smf)
add_test(NAME smf_check_cli
         COMMAND ${KORE_SYSTEM_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/smf/check_cli.py
                 $<TARGET_FILE:kore-cli> ${PROJECT_SOURCE_DIR}/data/fixtures/smf)
