# Build steps of the start-up and language tests.

# The start-up tests run the program itself.
if(TARGET foundation_startup_test)
  add_dependencies(foundation_startup_test quarn)
endif()
if(NOT TARGET foundation_language_test)
  return()
endif()

# The language tests load real language bundles: a small translation compiled with lrelease and packed
# with rcc, once for this program version and once for the next build number.
find_program(QUARN_LRELEASE NAMES lrelease HINTS /usr/lib/qt6/bin REQUIRED)
set(language_dir ${CMAKE_CURRENT_BINARY_DIR}/language_test)
file(MAKE_DIRECTORY ${language_dir})
math(EXPR next_patch "${PROJECT_VERSION_PATCH} + 1")
file(WRITE ${language_dir}/version-current "${PROJECT_VERSION}\n")
file(WRITE ${language_dir}/version-next "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${next_patch}\n")

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
