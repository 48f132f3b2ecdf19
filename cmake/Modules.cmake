# One static library per module folder, made of every .cpp in it, so that adding
# a source file needs no edit here. A folder with no sources yet becomes an
# interface library, so that dependants link it all the same.
# corr_module(NAME [FOLDER dir] [EXCLUDE files...] [DEPS targets...])
# FOLDER defaults to NAME; EXCLUDE names files of the folder that belong to
# another library.
function(corr_module name)
  cmake_parse_arguments(M "" "FOLDER" "DEPS;EXCLUDE" ${ARGN})
  if(NOT M_FOLDER)
    set(M_FOLDER ${name})
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${M_FOLDER}/*.cpp)
  foreach(x ${M_EXCLUDE})
    list(REMOVE_ITEM srcs ${PROJECT_SOURCE_DIR}/${M_FOLDER}/${x})
  endforeach()
  if(srcs)
    add_library(corr_${name} STATIC ${srcs})
    target_include_directories(corr_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(corr_${name} PUBLIC ${M_DEPS})
  else()
    add_library(corr_${name} INTERFACE)
    target_include_directories(corr_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(corr_${name} INTERFACE ${M_DEPS})
  endif()
endfunction()

# corr_test_suite(FOLDER [DEPS targets...])
# One GoogleTest program per tests/ folder, made of every .cpp in it.
# CORRELATOR_TEST_OPTIONS: compile options for the suites' own sources only
# (scripts/test builds them at -O0: their code runs little and compiles long).
function(corr_test_suite folder)
  cmake_parse_arguments(T "" "" "DEPS;ENV" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${folder} ${srcs})
  target_link_libraries(test_${folder} PRIVATE ${T_DEPS} GTest::gtest GTest::gtest_main)
  target_include_directories(test_${folder} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_options(test_${folder} PRIVATE ${CORRELATOR_TEST_OPTIONS})
  target_compile_definitions(test_${folder} PRIVATE
    CORRELATOR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    CORRELATOR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${folder} COMMAND test_${folder} --gtest_brief=1)
  if(T_ENV)
    set_tests_properties(${folder} PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
  set_tests_properties(${folder} PROPERTIES TIMEOUT 600)
endfunction()
