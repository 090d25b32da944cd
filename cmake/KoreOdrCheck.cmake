# KORE_ODR_CHECK: every kore_ library is compiled with link-time optimisation and linked whole into
# one program, so GCC compares each type that more than one library defines and a clash (one name,
# two layouts) fails the build instead of letting the linker keep either library's inline members.

# Every static library named kore_* defined in `dir` or below.
function(kore_collect_libraries dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  set(found)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(target MATCHES "^kore_" AND type STREQUAL "STATIC_LIBRARY")
      list(APPEND found ${target})
    endif()
  endforeach()
  foreach(sub ${subdirs})
    kore_collect_libraries(${sub} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(kore_add_odr_check)
  kore_collect_libraries(${PROJECT_SOURCE_DIR} libraries)
  # Each archive whole (so every object is compared, not only those a program would pull in),
  # then the targets themselves for their own dependencies (Qt and the system libraries).
  set(whole -Wl,--whole-archive)
  foreach(library ${libraries})
    list(APPEND whole $<TARGET_FILE:${library}>)
  endforeach()
  list(APPEND whole -Wl,--no-whole-archive)
  add_executable(kore_odr_check ${PROJECT_SOURCE_DIR}/cmake/odr_check_main.cpp)
  target_link_libraries(kore_odr_check PRIVATE ${whole} ${libraries})
  target_link_options(kore_odr_check PRIVATE -Werror=odr -Werror=lto-type-mismatch)
  message(STATUS "One-definition check links: ${libraries}")
endfunction()
