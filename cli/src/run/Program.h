#pragma once

namespace quarlocli {

// The whole program: parses the arguments, connects, runs the SQL and returns the exit status.
int Main(int argc, char** argv);

}  // namespace quarlocli
