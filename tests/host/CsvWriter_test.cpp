#include "CsvWriter.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(CsvWriter, WritesOneColumnPerPinWithValuesThatReadBackExactly) {
    const std::vector<SampleTrack> outputs{{"Out", {0.1f, -2.0f}, {}},
                                           {"Out#2", {1e-7f, 3.0f}, {}},
                                           {"L,R \"wide\"", {0.5f, 0.25f}, {}}};
    std::ostringstream csv;
    CsvWriter::Write(csv, outputs);
    EXPECT_EQ(csv.str(),
              "sample,Out,Out#2,\"L,R \"\"wide\"\"\"\n0,0.100000001,1.00000001e-07,0.5\n1,-2,3,0.25\n");
}
