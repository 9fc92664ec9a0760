#include "ChildCrash.h"

#include <gtest/gtest.h>

#include <string>

// What the validator reads back from a check's child's standard error: each row is what the child
// wrote and what each reading must give.
TEST(ChildCrash, ReadsWhatAChildSaidAsItEnded) {
    const std::string runtime_ended =
        "\nthe module's own C++ runtime ended the process: its exceptions cannot reach a host";
    struct Row {
        const char* err;
        const char* place;
        std::string thrown;
        const char* escaped;
    };
    const Row rows[] = {
        {"qvhost: crashed at libm.so+0x1a2b (_ZN4Echo4OpenEv+0x3c) in host -> audio MOD_OP_OPEN "
         "index 0\n",
         " at libm.so+0x1a2b (Echo::Open()+0x3c) in host -> audio MOD_OP_OPEN index 0", "", ""},
        // 32-bit Windows names a symbol with one more underscore; its lines end in CR LF.
        {"qvhost: crashed at m.dll+0x10 (__ZN4Echo4OpenEv+0x4) in host -> process offset 0 "
         "frames 64\r\n",
         " at m.dll+0x10 (Echo::Open()+0x4) in host -> process offset 0 frames 64", "", ""},
        {"qvhost: crashed at 0x7f001234\n", " at 0x7f001234", "", ""},
        {"terminate called after throwing an instance of 'std::runtime_error'\n"
         "  what():  no table\n"
         "qvhost: aborted inside host -> audio MOD_OP_OPEN\r\n",
         "",
         "an exception escaped the module out of host -> audio MOD_OP_OPEN: terminate called after "
         "throwing an instance of 'std::runtime_error'; what():  no table" +
             runtime_ended,
         ""},
        {"terminate called after throwing an instance of 'int'\n"
         "qvhost: aborted inside the process function\n",
         "",
         "an exception escaped the module out of the process function: terminate called after "
         "throwing an instance of 'int'" +
             runtime_ended,
         ""},
        // An exception the runtime ended the child for outside any call: not the module's doing.
        {"terminate called after throwing an instance of 'int'\n", "", "", ""},
        {"Echo: open\nexception escaped QVModule_base::Dispatch: bad_alloc\nEcho: closed\n", "", "",
         "exception escaped QVModule_base::Dispatch: bad_alloc"},
        {"", "", "", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ChildCrash::Place(row.err), row.place) << row.err;
        EXPECT_EQ(ChildCrash::ThrownThroughRuntime(row.err), row.thrown) << row.err;
        EXPECT_EQ(ChildCrash::EscapedException(row.err), row.escaped) << row.err;
    }
}
