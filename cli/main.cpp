// keldwick-cli: the headless front end. Every subsystem has a face here that works without a
// display.

#include "cli/CliCommand.h"

int main(int argc, char** argv) {
    return cli::RunCommandLine(argc, argv);
}
