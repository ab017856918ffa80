// kolvi, edition 2.2.2.
#include "cli/edition_222.h"
#include "cli/run.h"

int main(int argc, char** argv) { return kolvi::run(argc, argv, kolvi::edition_222); }
