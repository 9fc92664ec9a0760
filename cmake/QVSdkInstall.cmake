# The installed SDK: the framework's headers and static library, the reference host, and the
# CMake package QVSdk that gives module projects QVSdk::qv_sdk2, QVSdk::qvhost, qv_add_module and
# qv_add_module_test. Relocatable: every path in the package is relative to where it lands.
include(CMakePackageConfigHelpers)

set(QV_SDK_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QVSdk)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/qv_sdk2/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qv_sdk2
        FILES_MATCHING PATTERN "*.h")
install(TARGETS qv_sdk2 EXPORT QVSdkTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS qvhost EXPORT QVSdkTargets RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT QVSdkTargets NAMESPACE QVSdk:: DESTINATION ${QV_SDK_PACKAGE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QVSdkConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/QVSdkConfig.cmake INSTALL_DESTINATION ${QV_SDK_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/QVSdkConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES
    ${CMAKE_CURRENT_BINARY_DIR}/QVSdkConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/QVSdkConfigVersion.cmake
    ${CMAKE_CURRENT_LIST_DIR}/QVModule.cmake
    ${CMAKE_CURRENT_LIST_DIR}/QVCheckModuleInterface.cmake
    DESTINATION ${QV_SDK_PACKAGE_DIR})
# qvhost carries others' work (on Windows their runtimes too): their notices travel with it, and
# building either of the SDK's targets writes them, so that installing after building those two
# (as the guide's Start block does) finds every file it installs.
install(FILES ${QV_THIRD_PARTY_NOTICES} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/QVSdk)
add_dependencies(qv_sdk2 third_party_notices)
add_dependencies(qvhost third_party_notices)
# Module projects cross-build for the target with the same toolchain file as this tree.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/i686-w64-mingw32.cmake
        DESTINATION ${CMAKE_INSTALL_DATADIR}/QVSdk)
# What an author starts from: the guide (Markdown, and one HTML page with everything in it), the
# module template with the script that writes a project from it, and both examples' sources with
# their READMEs and the pictures these show (a folder up from the examples, as in this tree).
find_program(PANDOC pandoc REQUIRED)
set(sdk_guide_html ${CMAKE_BINARY_DIR}/writing-a-module.html)
add_custom_command(OUTPUT ${sdk_guide_html}
    COMMAND ${PANDOC} --standalone --self-contained "--metadata=pagetitle:Writing a module"
            --output ${sdk_guide_html} writing-a-module.md
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/docs
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/writing-a-module.md
    VERBATIM)
add_custom_target(sdk_guide DEPENDS ${sdk_guide_html})
add_dependencies(qv_sdk2 sdk_guide)
install(FILES ${PROJECT_SOURCE_DIR}/docs/writing-a-module.md ${sdk_guide_html}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/QVSdk)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/new-module.sh DESTINATION ${CMAKE_INSTALL_DATADIR}/QVSdk)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/scripts/module-template DESTINATION ${CMAKE_INSTALL_DATADIR}/QVSdk)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/Marlglide ${PROJECT_SOURCE_DIR}/examples/Tallowhold
        DESTINATION ${CMAKE_INSTALL_DATADIR}/QVSdk/examples)
install(FILES ${PROJECT_SOURCE_DIR}/docs/marlglide-render.png ${PROJECT_SOURCE_DIR}/docs/tallowhold-render.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/QVSdk/docs)
