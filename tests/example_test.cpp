// The bundled example tree: one run over a copy of it, then a second run
// with the same settings over the first one's output, which changes nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/harness.h"

namespace kolvi_test {
namespace {

// The options of examples/run.sh.
const std::vector<std::string> sources = {"src/kernel/sched.c", "src/drivers/uart.c", "src/drivers/ata.c",
                                          "src/legacy/boot.c"};

std::vector<std::string> arguments() {
    std::vector<std::string> args = {"-v", "-lvl", "0..3", "-cat", "knl,uart,ata,nil", "-f"};
    args.insert(args.end(), sources.begin(), sources.end());
    return args;
}

const char first_records[] =
    "0 0 sys \"<-- TRACE FIFO OVERFLOW\"\n"
    "1 0 knl \"scheduler up\"\n"
    "2 2 knl \"task %u in slot %u\"\n"
    "3 0 knl \"idle: no task ready\"\n"
    "4 12 knl \"PANIC: %s (code 0x%08x)\"\n"
    "5 1 uart \"inside a block comment: converted like code\"\n"
    "6 1 uart \"bad baud rate %u\\n\"\n"
    "7 1 uart \"baud %u, divisor %u\"\n"
    "8 13 uart \"rx %c (0x%02x)\"\n"
    "9 3 ata \"identify drive %d: %s, %d sectors\"\n"
    "10 11 ata \"no drive %d\\t(only 0 and 1)\"\n"
    "11 0 nil \"boot start\"\n"
    "12 1 nil \"board init failed: %d\"\n"
    "13 5 nil \"clock %d MHz, %d wait states, rev %s\"\n"
    "14 5 knl \"boot done\"\n";

TEST(Example, ASecondRunOverItsOwnOutputChangesNothing) {
    TempDir dir;
    std::filesystem::copy(std::string(KOLVI_SOURCE_DIR) + "/examples/firmware", dir.path(),
                          std::filesystem::copy_options::recursive);
    RunResult r = run(kolvi_program(), arguments(), dir.path());
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("kolvi: 3 legacy trace points converted\n       15 trace points active\n"
                         "       4 trace points inactive\n       19 total trace points processed\n\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(read_file(dir / "trace.tp"), first_records);
    // Legacy forms and the reset keyword are gone; the ATA driver keeps its
    // DOS line ends.
    for (const auto& s : sources) {
        std::string text = read_file(dir / s);
        EXPECT_EQ(text.find("TRACE_POINT"), std::string::npos) << s;
        EXPECT_EQ(text.find("TRACE_RESET"), std::string::npos) << s;
    }
    EXPECT_NE(read_file(dir / "src/drivers/ata.c").find("TRACE3(9, ata, 1, \"identify drive %d: %s, %d sectors\""
                                                         ", drive, \"model\", 0);\r\n"),
              std::string::npos);

    std::vector<std::string> texts;
    std::vector<FileStamp> stamps;
    for (const auto& s : sources) {
        texts.push_back(read_file(dir / s));
        stamps.push_back(stamp(dir / s));
    }
    r = run(kolvi_program(), arguments(), dir.path());
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("kolvi: 0 legacy trace points converted\n       15 trace points active\n"
                         "       4 trace points inactive\n       19 total trace points processed\n\n"),
              std::string::npos)
        << r.out;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        EXPECT_EQ(read_file(dir / sources[i]), texts[i]) << sources[i];
        EXPECT_EQ(stamp(dir / sources[i]).inode, stamps[i].inode) << sources[i];
        EXPECT_EQ(stamp(dir / sources[i]).mtime_ns, stamps[i].mtime_ns) << sources[i];
        EXPECT_EQ(read_file(dir / (sources[i] + ".sav")), texts[i]) << sources[i];
        EXPECT_FALSE(exists(dir / (sources[i].substr(0, sources[i].size() - 2) + ".tmp"))) << sources[i];
    }
    EXPECT_EQ(read_file(dir / "trace.tp"), first_records);
}

}  // namespace
}  // namespace kolvi_test
