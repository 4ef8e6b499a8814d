# Build steps of the start-up and language tests.

# The start-up tests run the program itself.
if(TARGET foundation_startup_test)
  add_dependencies(foundation_startup_test quarn)
endif()
if(NOT TARGET foundation_language_test)
  return()
endif()

# The language tests load real language bundles: a small translation compiled with lrelease and packed
# with rcc, once for this program's file version and once for the next build number.
find_program(QUARN_LRELEASE NAMES lrelease HINTS /usr/lib/qt6/bin REQUIRED)
set(language_dir ${CMAKE_CURRENT_BINARY_DIR}/language_test)
file(MAKE_DIRECTORY ${language_dir})
list(JOIN QUARN_FILE_VERSION "." current_version)
set(next_version ${QUARN_FILE_VERSION})
list(POP_BACK next_version build)
math(EXPR build "${build} + 1")
list(APPEND next_version ${build})
list(JOIN next_version "." next_version)
file(WRITE ${language_dir}/version-current "${current_version}\n")
file(WRITE ${language_dir}/version-next "${next_version}\n")

add_custom_command(
  OUTPUT ${language_dir}/translation.qm
  COMMAND ${QUARN_LRELEASE} -silent ${CMAKE_CURRENT_SOURCE_DIR}/language_test_en.ts -qm ${language_dir}/translation.qm
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/language_test_en.ts
  VERBATIM)
set(bundles)
foreach(variant current next)
  file(WRITE ${language_dir}/${variant}.qrc
    "<RCC><qresource prefix=\"/\">"
    "<file alias=\"translation.qm\">translation.qm</file>"
    "<file alias=\"version\">version-${variant}</file>"
    "</qresource></RCC>\n")
  add_custom_command(
    OUTPUT ${language_dir}/${variant}.qvl
    COMMAND Qt6::rcc -binary ${language_dir}/${variant}.qrc -o ${language_dir}/${variant}.qvl
    DEPENDS ${language_dir}/translation.qm ${language_dir}/${variant}.qrc
    WORKING_DIRECTORY ${language_dir}
    VERBATIM)
  list(APPEND bundles ${language_dir}/${variant}.qvl)
endforeach()
add_custom_target(foundation_language_test_bundles DEPENDS ${bundles})
add_dependencies(foundation_language_test foundation_language_test_bundles)
target_compile_definitions(foundation_language_test PRIVATE QUARN_TEST_LANGUAGE_DIR="${language_dir}")
