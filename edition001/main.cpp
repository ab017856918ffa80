// kolvi-0.0.1, the earlier edition.
#include "cli/run.h"
#include "edition001/edition001.h"

int main(int argc, char** argv) { return kolvi::run(argc, argv, kolvi::edition_001); }
