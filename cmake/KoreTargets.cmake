# One static library per code folder: every .cpp directly in the folder.
# kore_library(<name> DEPS <targets...>) is called from that folder's CMakeLists.txt.
function(kore_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(kore_${name} STATIC ${sources})
  target_include_directories(kore_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(kore_${name} PUBLIC ${ARG_DEPS})
  add_library(kore::${name} ALIAS kore_${name})
endfunction()

# One GoogleTest executable per tests/ sub-folder: every .cpp in it.
function(kore_test_folder folder)
  cmake_parse_arguments(ARG "" "" "DEPS;ENV" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  string(REPLACE "/" "_" exe "test_${folder}")
  add_executable(${exe} ${sources})
  target_link_libraries(${exe} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${exe} PRIVATE KORE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${exe} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "${ARG_ENV}")
endfunction()

# A test folder whose tests run the built kore-cli: they get its path and build after it.
function(kore_cli_test_folder folder)
  kore_test_folder(${folder} ${ARGN})
  string(REPLACE "/" "_" exe "test_${folder}")
  if(TARGET ${exe})
    target_compile_definitions(${exe} PRIVATE KORE_CLI_PATH="$<TARGET_FILE:kore-cli>")
    add_dependencies(${exe} kore-cli)
  endif()
endfunction()

# Reads <dir>/<base>.deps (one link target per line) into `out_deps`; `out_available` is FALSE when
# a kore:: library named there is not part of this configuration (e.g. the GUI is off).
function(kore_read_deps dir base out_deps out_available)
  file(STRINGS ${dir}/${base}.deps deps)
  set(available TRUE)
  foreach(dep ${deps})
    if(dep MATCHES "^kore::" AND NOT TARGET ${dep})
      set(available FALSE)
    endif()
  endforeach()
  set(${out_deps} ${deps} PARENT_SCOPE)
  set(${out_available} ${available} PARENT_SCOPE)
endfunction()
