// A source that cannot be read stops the run with a message of its own,
// instead of looking like a source that ends early.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "cli/edition_222.h"
#include "report/messages.h"
#include "scan/scanner.h"

namespace kolvi {
namespace {

TEST(ScannerDeathTest, AReadErrorIsNotTheEndOfTheSource) {
    EXPECT_EXIT(
        {
            dup2(2, 1);  // the error line goes to standard output
            edition = &edition_222;
            source_path = "/src/a.c";
            line_number = 1;
            // Reading a folder fails (EISDIR) where reading a file would not.
            in_attach(source_stream, open(".", O_RDONLY | O_DIRECTORY));
            start_source();
            std::exit(0);
        },
        testing::ExitedWithCode(2), "kolvi: error in /src/a.c - line - 1: cannot read source file \"/src/a.c\"\n");
}

}  // namespace
}  // namespace kolvi
