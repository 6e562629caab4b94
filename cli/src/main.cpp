#include "run/Program.h"

int main(int argc, char** argv) { return quarlocli::Main(argc, argv); }
