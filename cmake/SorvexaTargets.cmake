# Helpers shared by the project's libraries, tools and tests.
include(GenerateExportHeader)
include(CMakePackageConfigHelpers)

# Warnings for our own targets only; consumers of the installed package see none of them.
function(sorvexa_set_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast -Woverloaded-virtual
    -Wnon-virtual-dtor -Wimplicit-fallthrough)
  if(SORVEXA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# sorvexa_add_library(<target> EXPORT_NAME <name> PREFIX <macro prefix> INCLUDE_DIR <dir> HEADER_DIR <subdir>
#                     SOURCES ... LINKS ...)
# A shared library with hidden visibility, a generated <subdir>/<lower prefix>_export.hpp, VERSION and SOVERSION, and
# an alias sorvexa::<name>.
function(sorvexa_add_library target)
  cmake_parse_arguments(ARG "" "EXPORT_NAME;PREFIX;INCLUDE_DIR;HEADER_DIR" "SOURCES;LINKS" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  add_library(sorvexa::${ARG_EXPORT_NAME} ALIAS ${target})
  string(TOLOWER "${ARG_PREFIX}" lower_prefix)
  set(generated "${CMAKE_CURRENT_BINARY_DIR}/generated")
  generate_export_header(${target}
    BASE_NAME ${ARG_PREFIX}
    EXPORT_FILE_NAME "${generated}/${ARG_HEADER_DIR}/${lower_prefix}_export.hpp")
  target_include_directories(${target} PUBLIC
    "$<BUILD_INTERFACE:${ARG_INCLUDE_DIR}>"
    "$<BUILD_INTERFACE:${generated}>"
    "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
  target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  set_target_properties(${target} PROPERTIES
    EXPORT_NAME ${ARG_EXPORT_NAME}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})
  if(NOT SORVEXA_SANITIZE)
    target_link_options(${target} PRIVATE "LINKER:--no-undefined")
  endif()
  # Calls between a library's own exported functions go straight to them (and may be inlined) instead of through the
  # PLT: nothing is meant to interpose on the library's internals.
  target_compile_options(${target} PRIVATE -fno-semantic-interposition)
  # Full RELRO: every symbol is bound while the library loads and the relocated tables are then read-only, so no
  # first call pays for the dynamic linker's lookup and the function pointers cannot be overwritten afterwards.
  target_link_options(${target} PRIVATE "LINKER:-z,relro,-z,now")
  sorvexa_set_warnings(${target})
  install(TARGETS ${target} EXPORT sorvexaTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY "${ARG_INCLUDE_DIR}/" "${generated}/" DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.hpp")
endfunction()

# sorvexa_add_test(<name> SOURCES ... LINKS ...): a GoogleTest executable whose tests ctest lists one by one.
function(sorvexa_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  if(NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} sorvexa_test_support GTest::gtest GTest::gtest_main)
  sorvexa_set_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endfunction()

function(sorvexa_install_package)
  set(config_dir "${CMAKE_INSTALL_LIBDIR}/cmake/sorvexa_data_manager_kernel")
  install(EXPORT sorvexaTargets NAMESPACE sorvexa:: DESTINATION "${config_dir}"
    FILE sorvexa_data_manager_kernelTargets.cmake)
  configure_package_config_file(
    "${PROJECT_SOURCE_DIR}/cmake/sorvexa_data_manager_kernelConfig.cmake.in"
    "${PROJECT_BINARY_DIR}/sorvexa_data_manager_kernelConfig.cmake"
    INSTALL_DESTINATION "${config_dir}")
  write_basic_package_version_file(
    "${PROJECT_BINARY_DIR}/sorvexa_data_manager_kernelConfigVersion.cmake"
    COMPATIBILITY SameMajorVersion)
  install(FILES
    "${PROJECT_BINARY_DIR}/sorvexa_data_manager_kernelConfig.cmake"
    "${PROJECT_BINARY_DIR}/sorvexa_data_manager_kernelConfigVersion.cmake"
    DESTINATION "${config_dir}")
endfunction()
