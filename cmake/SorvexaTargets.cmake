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
  # The same across the library's own source files: the linker binds those calls to the library's definitions, so
  # they go straight to them instead of through the PLT.
  target_link_options(${target} PRIVATE "LINKER:-Bsymbolic-functions")
  # Full RELRO: every symbol is bound while the library loads and the relocated tables are then read-only, so no
  # first call pays for the dynamic linker's lookup and the function pointers cannot be overwritten afterwards.
  target_link_options(${target} PRIVATE "LINKER:-z,relro,-z,now")
  sorvexa_set_warnings(${target})
  # An installed library finds its sibling libraries beside itself, wherever the prefix has been put.
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  # Where the generated headers go and what they export with, for sorvexa_add_version_header.
  set_target_properties(${target} PROPERTIES
    SORVEXA_GENERATED_DIR "${generated}"
    SORVEXA_EXPORT_HEADER "${ARG_HEADER_DIR}/${lower_prefix}_export.hpp"
    SORVEXA_EXPORT_MACRO "${ARG_PREFIX}_EXPORT")
  sorvexa_install_pkg_config(${target} ${ARG_EXPORT_NAME} "${ARG_LINKS}")
  install(TARGETS ${target} EXPORT sorvexaTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY "${ARG_INCLUDE_DIR}/" "${generated}/" DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.hpp")
endfunction()

# The run path of an installed executable: the library directory, relative to the executable's own directory, so that
# the prefix can be moved or installed anywhere (cmake --install --prefix) without LD_LIBRARY_PATH.
function(sorvexa_set_install_rpath target)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${CMAKE_INSTALL_FULL_LIBDIR}")
    return()
  endif()
  file(RELATIVE_PATH relative "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${CMAKE_INSTALL_LIBDIR}")
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${relative}")
endfunction()

# One pkg-config file per library, <target>.pc in <libdir>/pkgconfig. Its prefix is found from the file's own place
# (${pcfiledir}), so the file stays right when the installed tree is moved.
function(sorvexa_install_pkg_config target export_name links)
  set(descriptions
    foundation_util "Foundation of the sorvexa libraries: element types, dimensions, allocator, hashing, messages"
    unit_manager_kernel "Units of measure: unit table, parser, exact conversions and propagation rules"
    qtir_kernel "Intermediate representation that values are lowered into"
    data_manager_kernel "${PROJECT_DESCRIPTION}")
  list(FIND descriptions "${export_name}" at)
  set(PC_DESCRIPTION "${PROJECT_DESCRIPTION}")
  if(at GREATER_EQUAL 0)
    math(EXPR at "${at} + 1")
    list(GET descriptions ${at} PC_DESCRIPTION)
  endif()
  set(PC_REQUIRES "")
  foreach(link IN LISTS links)
    if(TARGET ${link})
      get_target_property(real ${link} ALIASED_TARGET)
      if(real)
        list(APPEND PC_REQUIRES "${real}")
      endif()
    endif()
  endforeach()
  list(JOIN PC_REQUIRES " " PC_REQUIRES)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  else()
    file(RELATIVE_PATH up "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
    string(REGEX REPLACE "/$" "" up "${up}")
    set(PC_PREFIX "\${pcfiledir}/${up}")
  endif()
  set(PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
  set(PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
  if(NOT IS_ABSOLUTE "${PC_LIBDIR}")
    set(PC_LIBDIR "\${prefix}/${PC_LIBDIR}")
  endif()
  if(NOT IS_ABSOLUTE "${PC_INCLUDEDIR}")
    set(PC_INCLUDEDIR "\${prefix}/${PC_INCLUDEDIR}")
  endif()
  set(PC_NAME ${target})
  configure_file("${PROJECT_SOURCE_DIR}/cmake/sorvexa.pc.in" "${PROJECT_BINARY_DIR}/pkgconfig/${target}.pc" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/pkgconfig/${target}.pc" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
endfunction()

# sorvexa_add_version_header(<library target> <header path>): the project's version as macros in <header path> among
# the library's generated headers, with the declaration of sorvexa::version(), which the library defines.
function(sorvexa_add_version_header target header)
  get_target_property(generated ${target} SORVEXA_GENERATED_DIR)
  get_target_property(VERSION_EXPORT_HEADER ${target} SORVEXA_EXPORT_HEADER)
  get_target_property(VERSION_EXPORT_MACRO ${target} SORVEXA_EXPORT_MACRO)
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version.hpp.in" "${generated}/${header}" @ONLY)
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
  # Test names without parameter values: a parameter's printed value (a seed file's path) would put the checkout's
  # absolute path into the name.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)
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
