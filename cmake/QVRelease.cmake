# The release: what `cpack` writes from this tree's install rules.
#
#   sdk     (every build)      QVSdk-<version>-<platform>.tar.gz, the installed SDK tree
#   player  (Windows, release) Kestrel-Pavlen-<version>-win32.zip: the module, its user's guide,
#                              the licence, the third-party notices and their SHA256SUMS
#
# CPack stages each component from the install rules; cmake/QVPackArchives.cmake packs it with
# sorted entries, owner root, and every time stamp at SOURCE_DATE_EPOCH (the commit's date
# unless the environment sets one), so the archives are the same bytes from any clone.
#
# With QV_RELEASE on, a native tree also builds the same sources for 32-bit Windows in
# win32/ below it, tests the release there, and its `cpack` writes every archive and one
# SHA256SUMS over them all to dist/.

if(WIN32)
    set(QV_PACKAGE_PLATFORM win32)
else()
    string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" QV_PACKAGE_PLATFORM)
endif()
set(QV_DIST_DIR ${CMAKE_BINARY_DIR}/dist CACHE PATH "Where cpack writes the release archives")

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/QVSdk)

if(QV_RELEASE AND WIN32)
    find_program(PANDOC pandoc REQUIRED)
    # One page for a musician, its pictures embedded: it travels alone in the zip.
    set(guide ${PROJECT_SOURCE_DIR}/docs/Kestrel-Pavlen.md)
    file(GLOB guide_pictures ${PROJECT_SOURCE_DIR}/docs/distribution-*.png)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/Kestrel-Pavlen.html
        COMMAND ${PANDOC} --standalone --self-contained --metadata pagetitle=Kestrel-Pavlen
                --output ${CMAKE_BINARY_DIR}/Kestrel-Pavlen.html Kestrel-Pavlen.md
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/docs
        DEPENDS ${guide} ${guide_pictures}
        VERBATIM)
    add_custom_target(user_guide ALL DEPENDS ${CMAKE_BINARY_DIR}/Kestrel-Pavlen.html)

    install(FILES $<TARGET_FILE:Kestrel-Pavlen> ${CMAKE_BINARY_DIR}/Kestrel-Pavlen.html
                  ${PROJECT_SOURCE_DIR}/LICENSE ${QV_THIRD_PARTY_NOTICES}
            DESTINATION . COMPONENT player EXCLUDE_FROM_ALL)
    set(CPACK_COMPONENTS_ALL sdk player)
else()
    set(CPACK_COMPONENTS_ALL sdk)
endif()

set(CPACK_PACKAGE_NAME QVSdk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
# A Windows program is stripped as it is linked (host/CMakeLists.txt).
if(NOT WIN32)
    set(CPACK_STRIP_FILES ON)
endif()
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/QVPackArchives.cmake)
# CPack's own record of the staged components stays in the build tree, away from dist/.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/cpack)
set(CPACK_QV_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_QV_PLATFORM ${QV_PACKAGE_PLATFORM})
set(CPACK_QV_DIST_DIR ${QV_DIST_DIR})
set(CPACK_QV_PLAYER_NAME Kestrel-Pavlen)

if(QV_RELEASE AND NOT WIN32)
    include(ExternalProject)
    set(win32_dir ${CMAKE_BINARY_DIR}/win32)
    ExternalProject_Add(release_win32
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${win32_dir}
        CMAKE_GENERATOR Ninja
        CMAKE_ARGS --toolchain ${PROJECT_SOURCE_DIR}/cmake/i686-w64-mingw32.cmake
                   -DCMAKE_BUILD_TYPE=Release -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
                   -DQV_BUILD_TESTS=OFF -DQV_RELEASE=ON -DQV_DIST_DIR=${QV_DIST_DIR}
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        USES_TERMINAL_BUILD ON)
    # After this tree's SDK archive: the Windows tree's archives, then the sums over them all.
    set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QVReleaseDist.cmake)
    set(CPACK_QV_WIN32_CONFIG ${win32_dir}/CPackConfig.cmake)

    enable_testing()
    set(wine env WINEDEBUG=-all wine)
    # The release as it ships: the module the zip carries and the host the SDK carries.
    add_test(NAME release_Kestrel-Pavlen_validate
        COMMAND ${wine} ${win32_dir}/host/qvhost.exe validate ${win32_dir}/Kestrel-Pavlen.qvm)
    # The zip and the SDK carry the library and the host stripped. The check must tell them from
    # a binary with symbols: the framework's static library.
    set(objdump i686-w64-mingw32-objdump --syms)
    add_test(NAME release_Kestrel-Pavlen_stripped
        COMMAND ${objdump} ${win32_dir}/Kestrel-Pavlen.qvm)
    add_test(NAME release_qvhost_stripped COMMAND ${objdump} ${win32_dir}/host/qvhost.exe)
    add_test(NAME release_stripped_check_sees_symbols
        COMMAND ${objdump} ${win32_dir}/qv_sdk2/libqv_sdk2.a)
    set_tests_properties(release_Kestrel-Pavlen_stripped release_qvhost_stripped
        release_stripped_check_sees_symbols PROPERTIES PASS_REGULAR_EXPRESSION "no symbols")
    set_tests_properties(release_stripped_check_sees_symbols PROPERTIES WILL_FAIL ON)
    # The same commit built twice, in two folders at different depths, gives the same bytes.
    set(reproducible_check ${CMAKE_CURRENT_LIST_DIR}/QVCheckReproducible.cmake)
    set(sdk_libs qv_sdk2/libqv_sdk2.a,host/libqvhost_hosting.a)
    add_test(NAME release_reproducible
        COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DREFERENCE=${win32_dir}
                -DWORK=${CMAKE_BINARY_DIR}/reproducible
                -DTARGETS=Kestrel-Pavlen,qvhost -DFILES=Kestrel-Pavlen.qvm,host/qvhost.exe,${sdk_libs}
                -P ${reproducible_check})
    set_tests_properties(release_reproducible PROPERTIES TIMEOUT 1800)
    # The comparison must catch bytes that differ: a reference tree whose library is the licence.
    set(altered ${CMAKE_BINARY_DIR}/altered-reference)
    file(MAKE_DIRECTORY ${altered})
    file(COPY_FILE ${PROJECT_SOURCE_DIR}/LICENSE ${altered}/Kestrel-Pavlen.qvm)
    add_test(NAME release_reproducible_catches_a_difference
        COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DREFERENCE=${altered}
                -DWORK=${CMAKE_BINARY_DIR}/not-reproducible -DTARGETS=Kestrel-Pavlen
                -DFILES=Kestrel-Pavlen.qvm -P ${reproducible_check})
    set_tests_properties(release_reproducible_catches_a_difference PROPERTIES
        TIMEOUT 1800
        PASS_REGULAR_EXPRESSION "Kestrel-Pavlen.qvm differs from [^\n]*altered-reference")
endif()

include(CPack)
cpack_add_component(sdk DISPLAY_NAME "QVSdk")
cpack_add_component(player DISPLAY_NAME "Kestrel-Pavlen")
