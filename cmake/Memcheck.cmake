# qv_add_memcheck_test(NAME COMMAND...): runs a native command under valgrind's memcheck. Any
# memory error, and any block definitely, indirectly or possibly lost at exit, fails the test.
# No test when valgrind is missing, when cross-compiling, or under the sanitizers (they and
# valgrind cannot watch the same process).
find_program(QV_VALGRIND valgrind)

function(qv_add_memcheck_test name)
    if(NOT QV_VALGRIND OR CMAKE_CROSSCOMPILING OR QV_SANITIZE)
        return()
    endif()
    add_test(NAME ${name}
        COMMAND ${QV_VALGRIND} --error-exitcode=99 --leak-check=full
                --show-leak-kinds=definite,indirect,possible
                --errors-for-leak-kinds=definite,indirect,possible ${ARGN})
endfunction()
